#!/usr/bin/env bash
# Cross-builds the Windows module with Debian's mingw-w64 compilers.
#
#   scripts/build-windows.sh [--out DIR] [x86_64] [i686]
#
# Builds both architectures unless some are named.  Each lands in
# DIR/ARCH/bin (DIR defaults to build-windows): rilo.p and rilo.tcl, the two
# files a plug-ins folder needs, and ac3d.exe, the stand-in that runs the
# module end to end.  They come from two builds with the two thread models
# of the compilers (cmake/mingw-common.cmake): DIR/ARCH makes the module and
# its package with the win32 compilers, DIR/ARCH/host makes ac3d.exe with
# the posix ones and puts it in DIR/ARCH/bin.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build-windows"
arches=()
while [ $# -gt 0 ]; do
  case "$1" in
    --out) [ $# -ge 2 ] || { echo "build-windows: --out needs a folder" >&2; exit 2; }; out="$2"; shift 2 ;;
    x86_64|i686) arches+=("$1"); shift ;;
    *) echo "usage: $0 [--out DIR] [x86_64] [i686]" >&2; exit 2 ;;
  esac
done
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)
# Absolute: the host's build, in a folder of its own, writes into the module's bin folder.
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# The native compiler's settings would leak into the cross configuration.
unset CC CXX CFLAGS CXXFLAGS LDFLAGS

# configure DIR ARCH THREADS [OPTION...]: configured once, later builds
# re-run the configuration themselves when needed; a folder configured for
# other compilers is configured afresh.
configure() {
  local dir="$1" arch="$2" threads="$3" compiler="$2-w64-mingw32-g++-$3"
  shift 3
  if ! command -v "$compiler" >/dev/null; then
    echo "build-windows: $compiler not found; scripts/setup.sh installs mingw-w64" >&2
    exit 1
  fi
  grep -qx "RILO_MINGW_THREADS:STRING=$threads" "$dir/CMakeCache.txt" 2>/dev/null && return
  cmake --fresh -S "$root" -B "$dir" --toolchain "$root/cmake/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRILO_MINGW_THREADS="$threads" "$@" >/dev/null
}

for arch in "${arches[@]}"; do
  dir="$out/$arch"
  configure "$dir" "$arch" win32
  configure "$dir/host" "$arch" posix -DRILO_BIN_DIR="$dir/bin"
  cmake --build "$dir" -j "$(nproc)"
  cmake --build "$dir/host" -j "$(nproc)"
  echo "build-windows: $dir/bin/rilo.p"
done

#!/usr/bin/env bash
# Cross-builds the Windows module with Debian's mingw-w64 compilers.
#
#   scripts/build-windows.sh [--out DIR] [x86_64] [i686]
#
# Builds both architectures unless some are named.  Each lands in
# DIR/ARCH/bin (DIR defaults to build-windows): rilo.p and rilo.tcl, the two
# files a plug-ins folder needs, and ac3d.exe, the stand-in that runs the
# module end to end.
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

# The native compiler's settings would leak into the cross configuration.
unset CC CXX CFLAGS CXXFLAGS LDFLAGS

for arch in "${arches[@]}"; do
  compiler="$arch-w64-mingw32-g++-posix"
  if ! command -v "$compiler" >/dev/null; then
    echo "build-windows: $compiler not found; scripts/setup.sh installs mingw-w64" >&2
    exit 1
  fi
  dir="$out/$arch"
  # Configured once; later builds re-run the configuration themselves when needed.
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" --toolchain "$root/cmake/mingw-$arch.cmake" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  fi
  cmake --build "$dir" -j "$(nproc)"
  echo "build-windows: $dir/bin/rilo.p"
done

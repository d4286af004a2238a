#!/usr/bin/env bash
# Builds Tcl/Tk 8.6 for Windows with mingw-w64 from Debian's own source
# packages (tcl8.6, tk8.6), for the Windows test host that embeds them.
#
#   scripts/build-tcltk-windows.sh [--optional] [--link DIR] [x86_64] [i686]
#
# Builds both architectures unless some are named.  The sources come from
# apt-get source (scripts/setup.sh adds the deb-src line) into a cache
# outside the clone, $RILO_CACHE (default /var/cache/rilo); each build is
# installed there as tcltk-VERSIONS-ARCH, named by the two source versions,
# and is made once: later runs, and fresh clones on the same machine, find
# it.  With --link, DIR/ARCH/tcl is made a link to the build of ARCH, which
# is where the Windows build looks for it.  Prints the cache folder of each.
# With --optional a failure is reported and the status is still 0: the
# Windows build goes on without the host that embeds Tcl.
set -euo pipefail
cache="${RILO_CACHE:-/var/cache/rilo}"
link=""
arches=()
while [ $# -gt 0 ]; do
  case "$1" in
    --optional)
      trap '[ $? -eq 0 ] || { echo "build-tcltk-windows: going on without Tcl/Tk for Windows" >&2; exit 0; }' EXIT
      shift ;;
    --link) [ $# -ge 2 ] || { echo "build-tcltk-windows: --link needs a folder" >&2; exit 2; }; link="$2"; shift 2 ;;
    x86_64|i686) arches+=("$1"); shift ;;
    *) echo "usage: $0 [--optional] [--link DIR] [x86_64] [i686]" >&2; exit 2 ;;
  esac
done
[ ${#arches[@]} -gt 0 ] || arches=(x86_64 i686)
# Make's settings from a calling build would reach the configure scripts.
unset CC CXX CFLAGS CXXFLAGS LDFLAGS MAKEFLAGS MFLAGS MAKELEVEL

# The unpacked source of PACKAGE in the cache, fetched when missing; the
# newest version wins when several were fetched over time.
source_dir() {
  local package="$1" found
  found="$(ls -d "$cache/src/$package"-*/ 2>/dev/null | sort -V | tail -n 1)"
  if [ -z "$found" ]; then
    mkdir -p "$cache/src"
    echo "build-tcltk-windows: fetching the source of $package" >&2
    (cd "$cache/src" && apt-get source -qq "$package" >&2) ||
      { echo "build-tcltk-windows: apt-get source $package failed (scripts/setup.sh adds the deb-src line)" >&2; exit 1; }
    found="$(ls -d "$cache/src/$package"-*/ | sort -V | tail -n 1)"
  fi
  echo "${found%/}"
}

# The version of the unpacked source in DIR, from its Debian changelog.
version_of() { dpkg-parsechangelog -l "$1/debian/changelog" -S Version; }

# Configures, builds and installs the win/ folder of SOURCE into PREFIX.
build_one() {
  local arch="$1" source="$2" work="$3" prefix="$4"; shift 4
  local bits=()
  [ "$arch" = x86_64 ] && bits=(--enable-64bit)
  mkdir -p "$work"
  # Tcl runs its own Win32 threads: the win32 flavour of the compilers needs
  # no winpthread beside the DLLs.
  (cd "$work" &&
    CC="$arch-w64-mingw32-gcc-win32" RC="$arch-w64-mingw32-windres" \
      "$source/win/configure" --host="$arch-w64-mingw32" --prefix="$prefix" \
      --enable-shared --enable-threads "${bits[@]}" "$@" >configure.log &&
    make -j2 >make.log 2>&1 && make install >install.log 2>&1) ||
    { echo "build-tcltk-windows: building $(basename "$source") for $arch failed; see $work/*.log" >&2; exit 1; }
}

# One build at a time on the machine; a second caller waits and finds it made.
mkdir -p "$cache"
exec 9>"$cache/tcltk.lock"
flock 9
tcl_src="$(source_dir tcl8.6)"
tk_src="$(source_dir tk8.6)"
key="$(version_of "$tcl_src")_$(version_of "$tk_src")"
for arch in "${arches[@]}"; do
  command -v "$arch-w64-mingw32-gcc-win32" >/dev/null ||
    { echo "build-tcltk-windows: $arch-w64-mingw32-gcc-win32 not found; scripts/setup.sh installs mingw-w64" >&2; exit 1; }
  prefix="$cache/tcltk-$key-$arch"
  if [ ! -f "$prefix/.complete" ]; then
    start=$SECONDS
    echo "build-tcltk-windows: building Tcl/Tk $key for $arch (some minutes)" >&2
    rm -rf "$prefix" "$cache/build/$key-$arch"
    build_one "$arch" "$tcl_src" "$cache/build/$key-$arch/tcl" "$prefix"
    build_one "$arch" "$tk_src" "$cache/build/$key-$arch/tk" "$prefix" \
      --with-tcl="$cache/build/$key-$arch/tcl"
    rm -rf "$cache/build/$key-$arch"
    touch "$prefix/.complete"
    echo "build-tcltk-windows: Tcl/Tk for $arch built in $((SECONDS - start)) s" >&2
  fi
  if [ -n "$link" ] && [ "$(readlink "$link/$arch/tcl" 2>/dev/null)" != "$prefix" ]; then
    mkdir -p "$link/$arch"
    ln -sfn "$prefix" "$link/$arch/tcl"
    # Builds configured before the link was there look for it again.
    for configured in "$link/$arch" "$link/$arch/host"; do
      [ ! -f "$configured/CMakeCache.txt" ] || cmake "$configured" >/dev/null
    done
  fi
  echo "$prefix"
done

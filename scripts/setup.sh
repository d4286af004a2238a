#!/usr/bin/env bash
# Installs what one job needs from Debian's packages:
#
#   scripts/setup.sh example   build the stand-in and run the example:
#                              the compiler, CMake and Tcl/Tk
#   scripts/setup.sh package   also the mingw-w64 cross compilers, for
#                              scripts/package.sh
#   scripts/setup.sh [test]    everything the test suite uses (the default):
#                              also GoogleTest, Google Benchmark, valgrind,
#                              clang for fuzzing, Wine (64-bit and 32-bit),
#                              Xvfb, xmllint, the other .ac readers, the
#                              tools for ACLs, attributes and capabilities,
#                              Tcl/Tk 9.0 in a folder of its own
#                              (setup-tcl9.sh), and Tcl/Tk for Windows, built
#                              once from Debian's sources
#                              (build-tcltk-windows.sh)
#
# Safe to run again: it only asks apt for packages that are missing.
set -euo pipefail

job=${1:-test}
example=(build-essential cmake tcl-dev tk-dev libtk-img libcli11-dev)
# Both thread models of the cross compilers: win32 for the module, posix for
# ac3d.exe, the test host (cmake/mingw-common.cmake).
package=(mingw-w64 g++-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-posix
  g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix)
test=(
  libgtest-dev libgmock-dev libbenchmark-dev
  valgrind clang-14 libclang-rt-14-dev
  wine wine64 wine32
  xvfb imagemagick libxml2-utils
  assimp-utils openscenegraph
  acl attr libcap2-bin
)
case "$job" in
  example) packages=("${example[@]}") ;;
  package) packages=("${example[@]}" "${package[@]}") ;;
  test) packages=("${example[@]}" "${package[@]}" "${test[@]}") ;;
  *) echo "usage: $0 [example|package|test]" >&2; exit 2 ;;
esac
# The Windows test host embeds Tcl/Tk built from Debian's bookworm sources:
# a deb-src line of its own when none serves them, then a build cached
# outside the clone.
windows_tcltk() {
  local sudo=() list=/etc/apt/sources.list.d/rilo-bookworm-src.sources
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  if ! apt-cache showsrc tcl8.6 2>/dev/null | grep '^Package: tcl8.6$' >/dev/null; then
    [ -f "$list" ] || printf '%s\n' 'Types: deb-src' 'URIs: http://deb.debian.org/debian' 'Suites: bookworm' \
      'Components: main' 'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' | "${sudo[@]}" tee "$list" >/dev/null
    "${sudo[@]}" apt-get update -qq
  fi
  "${sudo[@]}" install -d -o "$(id -u)" -g "$(id -g)" "${RILO_CACHE:-/var/cache/rilo}"
  "$(dirname "$0")/build-tcltk-windows.sh" >/dev/null
}

# What the tests use beyond the machine's packages, once these are in: also
# Tcl/Tk 9.0 for the dialog's tests, kept apart from the machine's packages.
test_extras() {
  [ "$job" = test ] || return 0
  "$(dirname "$0")/setup-tcl9.sh"
  windows_tcltk
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: the packages for '$job' are installed"
  test_extras
  exit 0
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# The 32-bit Wine that runs the i686 module comes from Debian's i386 architecture.
if [[ " ${missing[*]} " == *" wine32 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "setup: enabling Debian's i386 architecture for wine32"
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi
echo "setup: updating the package lists"
"${sudo_cmd[@]}" apt-get update -qq
echo "setup: installing ${#missing[@]} packages for '$job': ${missing[*]} (this can take some minutes)"
# One line per package set up, so that a long install shows its progress.
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" |
  awk '/^Setting up / { print "setup:   " $3; fflush() }'
test_extras
echo "setup: done"

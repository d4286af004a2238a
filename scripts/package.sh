#!/usr/bin/env bash
# Builds rilo for Linux and, with the mingw-w64 cross compilers, for 64-bit
# and 32-bit Windows, and writes the packages for the modeller into dist/:
#
#   dist/rilo-VERSION-windows-x86_64.zip
#   dist/rilo-VERSION-windows-i686.zip
#   dist/rilo-VERSION-linux-x86_64.tar.gz
#
# Each holds one folder of its own name with rilo.p, rilo.tcl, README.txt and
# LICENSE; VERSION is the project's (CMakeLists.txt).  The build folders are
# the test command's (build/, and build/windows/ARCH for the cross builds),
# so after scripts/test.sh nothing is rebuilt.
set -euo pipefail
cd "$(dirname "$0")/.."
step() { echo "package: $*"; }

step "checking the packages the builds need"
scripts/setup.sh package

step "building rilo.p for Linux in build/"
scripts/configure-build.sh
cmake --build build -j "$(nproc)" --target rilo >/dev/null
for arch in x86_64 i686; do
  step "building rilo.p for Windows ($arch) in build/windows/$arch"
  scripts/build-windows.sh --out build/windows "$arch" >/dev/null
done

mkdir -p dist
work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT
for dir in build build/windows/x86_64 build/windows/i686; do
  rm -rf "$work/out"
  cpack --config "$dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" ||
    { cat "$work/cpack.log" >&2; exit 1; }
  for archive in "$work"/out/rilo-*.zip "$work"/out/rilo-*.tar.gz; do
    [ -f "$archive" ] || continue
    mv -f "$archive" dist/
    step "wrote dist/$(basename "$archive")"
  done
done

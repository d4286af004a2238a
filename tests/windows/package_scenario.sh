#!/usr/bin/env bash
# Packages the Windows build of one architecture as scripts/package.sh does,
# unpacks the package into a fresh folder, puts the test host ac3d.exe
# beside the unpacked rilo.p and rilo.tcl and runs the scenario there under
# Wine against the native run: what is shipped is what is tested.
#
#   package_scenario.sh ARCH WINDOWS-BUILD-DIR NAME NATIVE-AC3D NATIVE-PLUGIN-DIR
set -euo pipefail
[ $# -eq 5 ] || { echo "usage: $0 x86_64|i686 WINDOWS-BUILD-DIR NAME NATIVE-AC3D NATIVE-PLUGIN-DIR" >&2; exit 2; }
arch="$1" build="$2" name="$3" native="$4" native_dir="$5"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/require.sh"
source "$here/../packaging/unpack.sh"
require "$arch-w64-mingw32-g++-posix" wine
[ -f "$build/bin/ac3d.exe" ] || { echo "FAILED: $build/bin/ac3d.exe was not built (scripts/build-windows.sh $arch)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-winpackage.XXXXXX")"
trap 'rm -rf "$work"' EXIT
unpack_package "$build" "$name" "$work"
cp "$build/bin/ac3d.exe" "$work/unpacked/$name/"
"$here/wine_scenario.sh" "$native" "$native_dir" "$work/unpacked/$name" "$arch"

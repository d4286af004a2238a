#!/usr/bin/env bash
# Writes docs/dialog-windows.png: the Rilo dialog in Windows's own Tk, run
# by the Windows host with Tcl under Wine on a private Xvfb display, with
# one entry marked bad.
#
#   scripts/dialog-windows-screenshot.sh [BUILD]
#
# BUILD is the build folder whose windows/x86_64 holds the cross build
# (default: build).  The dialog is shown in a Wine desktop, which draws
# window frames as Windows does.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
build="$(cd "${1:-build}" && pwd)/windows/x86_64"
if [ -z "${RILO_SCREENSHOT_DISPLAY:-}" ]; then
  RILO_SCREENSHOT_DISPLAY=1 exec scripts/with-xvfb.sh --timeout 300 "$0" "$@"
fi
source tests/windows/require.sh
source tests/windows/wine_prefix.sh
require import
[ -f "$build/tclhost/ac3d.exe" ] || { echo "dialog-windows-screenshot: $build/tclhost/ac3d.exe was not built" >&2; exit 1; }
wine_prefix x86_64 "$(mktemp -d "${TMPDIR:-/tmp}/rilo-winshot.XXXXXX")"
export WINEPATH="$(windows_path "$build/tcl/bin")"
frame="$wine_work/frame"
wine explorer /desktop=rilo,1000x700 "$(windows_path "$build/tclhost/ac3d.exe")" "$(windows_path "$build/bin")" \
  "$(windows_path "$root/scripts/dialog-windows-screenshot.tcl")" "$(windows_path "$frame")" >"$wine_work/wine.log" 2>&1 &
for _ in $(seq 600); do
  [ -f "$frame" ] && break
  sleep 0.1
done
[ -f "$frame" ] || { cat "$wine_work/wine.log" >&2; echo "dialog-windows-screenshot: the dialog did not open" >&2; exit 1; }
read -r x y width height <"$frame"
mkdir -p docs
import -window root -crop "${width}x${height}+${x}+${y}" +repage docs/dialog-windows.png
rm -f "$frame"
wait
echo "wrote docs/dialog-windows.png (${width}x${height})"

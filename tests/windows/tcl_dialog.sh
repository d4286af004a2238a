#!/usr/bin/env bash
# Works the Rilo dialog through the menu entry in tclhost/ac3d.exe under Wine,
# in Windows's own Tk, and in the native ac3d_tcl, and compares the vertices
# both moved, bit for bit.
#
#   tcl_dialog.sh ARCH WINDOWS-BUILD-DIR NATIVE-AC3D-TCL NATIVE-PLUGIN-DIR
#
# WINDOWS-BUILD-DIR is the Windows build of ARCH: bin/ holds rilo.p and
# rilo.tcl, tclhost/ the host ac3d.exe (ac3d_tcl) and tcl/ the Tcl/Tk it
# embeds.  Needs a display: run it under scripts/with-xvfb.sh.
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 x86_64|i686 WINDOWS-BUILD-DIR NATIVE-AC3D-TCL NATIVE-PLUGIN-DIR" >&2; exit 2; }
arch="$1" build="$2" native="$3" native_dir="$4"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/require.sh"
source "$here/wine_prefix.sh"
[ -n "${DISPLAY:-}" ] || missing "a display (scripts/with-xvfb.sh)"
[ -f "$build/tclhost/ac3d.exe" ] || missing "$build/tclhost/ac3d.exe, built with Tcl/Tk for Windows,"

wine_prefix "$arch" "$(mktemp -d "${TMPDIR:-/tmp}/rilo-winetcl.XXXXXX")"
work="$wine_work"
# Tcl's DLLs are found on the path, and its library beside them.
export WINEPATH="$(windows_path "$build/tcl/bin")"
script="$here/tclhost/dialog.tcl"

status=0
"$native" "$native_dir" "$script" x11 >"$work/native.txt" || { echo "FAILED: native run exited with $?" >&2; status=1; }
timeout 300 wine "$build/tclhost/ac3d.exe" "$(windows_path "$build/bin")" "$(windows_path "$script")" win32 \
  >"$work/wine.raw" || { echo "FAILED: Wine run exited with $?" >&2; status=1; }
tr -d '\r' <"$work/wine.raw" >"$work/wine.txt"

lines=$(wc -l <"$work/native.txt")
[ "$lines" -gt 0 ] || { echo "FAILED: the native run listed no vertices" >&2; status=1; }
if ! cmp -s "$work/native.txt" "$work/wine.txt"; then
  echo "FAILED: the runs differ (native <, Wine >):" >&2
  diff "$work/native.txt" "$work/wine.txt" | head -n 20 >&2 || true
  status=1
fi
[ "$status" -ne 0 ] || echo "the dialog in Windows's Tk ($arch) moved $lines vertices to the native run's bits"
exit "$status"

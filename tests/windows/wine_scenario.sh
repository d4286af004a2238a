#!/usr/bin/env bash
# Runs the scenario in ac3d.exe under Wine and natively, and compares the
# vertices both moved.
#
#   wine_scenario.sh NATIVE-AC3D NATIVE-PLUGIN-DIR WINDOWS-BIN-DIR
#
# Both runs must pass their own checks and list the same vertices; the
# coordinates may differ by at most one unit in the last place, since the C
# runtimes' sin may round differently.  The largest difference is reported.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 NATIVE-AC3D NATIVE-PLUGIN-DIR WINDOWS-BIN-DIR" >&2; exit 2; }
native="$1" native_dir="$2" win_bin="$3"
source "$(dirname "$0")/require.sh"
require wine wineboot wineserver timeout
[ -f "$win_bin/ac3d.exe" ] && [ -f "$win_bin/rilo.p" ] ||
  { echo "FAILED: $win_bin lacks ac3d.exe or rilo.p (scripts/build-windows.sh x86_64)" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-wine.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko installers, no windows on a display.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
finish() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap finish EXIT

# The first start of a prefix is slow; make it once, before the timed run.
if ! timeout 300 wineboot -i >"$work/wineboot.log" 2>&1; then
  cat "$work/wineboot.log" >&2
  echo "FAILED: wineboot could not create a prefix" >&2
  exit 1
fi

status=0
"$native" "$native_dir" >"$work/native.txt" || { echo "FAILED: native run exited with $?" >&2; status=1; }
timeout 120 wine "$win_bin/ac3d.exe" >"$work/wine.raw" || { echo "FAILED: Wine run exited with $?" >&2; status=1; }
tr -d '\r' <"$work/wine.raw" >"$work/wine.txt"

lines=0 largest=0
exec 3<"$work/native.txt" 4<"$work/wine.txt"
while :; do
  a="" b=""
  read -r -u 3 a || true
  read -r -u 4 b || true
  [ -z "$a" ] && [ -z "$b" ] && break
  read -r case_a obj_a i_a xa ya za <<<"$a" || true
  read -r case_b obj_b i_b xb yb zb <<<"$b" || true
  if [ -z "$a" ] || [ -z "$b" ] || [ "$case_a $obj_a $i_a" != "$case_b $obj_b $i_b" ]; then
    echo "FAILED: the runs list different vertices: native \"$a\", Wine \"$b\"" >&2
    status=1
    break
  fi
  lines=$((lines + 1))
  for pair in "$xa $xb" "$ya $yb" "$za $zb"; do
    read -r p q <<<"$pair"
    # Bit patterns as positions on the number line (sign and magnitude to
    # a signed count), so that the difference counts the floats between.
    u=$((16#$p)) v=$((16#$q))
    if ((u & 0x80000000)); then u=$((-(u & 0x7fffffff))); fi
    if ((v & 0x80000000)); then v=$((-(v & 0x7fffffff))); fi
    d=$((u - v))
    if ((d < 0)); then d=$((-d)); fi
    if ((d > largest)); then largest=$d; fi
    if ((d > 1)); then
      echo "FAILED: $case_a $obj_a $i_a differs by $d ulps ($p against $q)" >&2
      status=1
    fi
  done
done
[ "$lines" -gt 0 ] || { echo "FAILED: no vertices listed" >&2; status=1; }
echo "compared $lines moved vertices: largest difference $largest ulps"
exit "$status"

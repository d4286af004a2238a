#!/usr/bin/env bash
# Runs the scenario in ac3d.exe under Wine and natively, and compares the
# vertices both moved.
#
#   wine_scenario.sh NATIVE-AC3D NATIVE-PLUGIN-DIR WINDOWS-BIN-DIR [x86_64|i686]
#
# WINDOWS-BIN-DIR holds ac3d.exe and rilo.p of the architecture named (by
# default x86_64), which runs in a Wine prefix of its own width: 64-bit, or
# 32-bit for i686.  Both runs must pass their own checks and list the same
# vertices with the same coordinates, bit for bit; a difference is reported
# in units in the last place.
set -euo pipefail
[ $# -eq 3 ] || [ $# -eq 4 ] ||
  { echo "usage: $0 NATIVE-AC3D NATIVE-PLUGIN-DIR WINDOWS-BIN-DIR [x86_64|i686]" >&2; exit 2; }
native="$1" native_dir="$2" win_bin="$3" arch="${4:-x86_64}"
source "$(dirname "$0")/require.sh"
source "$(dirname "$0")/wine_prefix.sh"
[ -f "$win_bin/ac3d.exe" ] && [ -f "$win_bin/rilo.p" ] ||
  { echo "FAILED: $win_bin lacks ac3d.exe or rilo.p (scripts/build-windows.sh $arch)" >&2; exit 1; }

# No windows on a display.
unset DISPLAY WAYLAND_DISPLAY
wine_prefix "$arch" "$(mktemp -d "${TMPDIR:-/tmp}/rilo-wine.XXXXXX")"
work="$wine_work"

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
    if ((d > 0)); then
      echo "FAILED: $case_a $obj_a $i_a differs by $d ulps ($p against $q)" >&2
      status=1
    fi
  done
done
[ "$lines" -gt 0 ] || { echo "FAILED: no vertices listed" >&2; status=1; }
echo "compared $lines moved vertices ($arch): largest difference $largest ulps"
exit "$status"

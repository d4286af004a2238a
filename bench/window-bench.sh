#!/usr/bin/env bash
# The window's benchmark: writes a model of N vertices under /tmp (a grid of
# quads in one object, and the same grid cut into 1000 objects; with
# --layouts wide, N/10 objects of 10 vertices; textured, the grid with a
# texture across it), opens each in standin --gui
# on a private Xvfb display and times what the user waits for
# (bench/window_bench.tcl).
#
#   bench/window-bench.sh [--vertices N] [--layouts grid,objects,wide,textured] [--runs R]
#                         [--warmups W] [--build DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
vertices=1000000
layouts=grid,objects
runs=15
warmups=2
build=${BUILD_DIR:-build}
while [ $# -gt 0 ]; do
  case "$1" in
    --vertices) vertices=$2; shift 2 ;;
    --layouts) layouts=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --warmups) warmups=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    *) echo "window-bench: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ ! -x "$build/bin/standin" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j 2 --target standin rilo >/dev/null
fi
work=$(mktemp -d /tmp/window-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
for layout in ${layouts//,/ }; do
  model=$work/$layout-$vertices.ac
  python3 bench/window_model.py "$vertices" "$layout" "$model"
  # Today's canvas takes seconds a drawing at 10^6 vertices: a generous limit.
  # The plug-in's trace of each Apply goes to standard error: kept aside,
  # and shown when the run fails.
  if ! scripts/with-xvfb.sh --timeout 3600 "$build/bin/standin" --gui bench/window_bench.tcl -- \
      "$model" "$runs" "$warmups" "$layout" 2>"$work/errors"; then
    grep -v -e '^Rilo:$' -e ' = ' "$work/errors" >&2 || true
    echo "window-bench: the $layout run failed" >&2
    exit 1
  fi
  rm -f "$model"
  echo
done

#!/usr/bin/env bash
# Builds the stand-in, the module and the speed harness (Release with debug
# information, as the project builds by default) and runs the harness: the
# model-file job beside its floors on generated models, with the ratios of
# one run.  Arguments go to the harness, e.g. --sizes 10000,1000000 --runs 3.
# With --window first, the main window's benchmark runs instead
# (bench/window-bench.sh), the rest of the arguments going to it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
if [ "${1:-}" = "--window" ]; then
  shift
  exec bench/window-bench.sh --build "$build" "$@"
fi
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target speed_bench >/dev/null
exec "$build/bin/speed_bench" "$@"

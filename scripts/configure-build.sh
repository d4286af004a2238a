#!/usr/bin/env bash
# Configures build/ for the commands that need only part of the project: a
# build folder the test command made keeps its tests; a new one leaves the
# tests and benchmarks out, so GoogleTest and the rest need not be installed.
set -euo pipefail
cd "$(dirname "$0")/.."
options=()
[ -f build/CMakeCache.txt ] || options=(-DRILO_TESTS=OFF -DRILO_BENCH=OFF)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null

#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
# the tests, the same tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# and each fuzz target for a bounded time (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRILO_SANITIZE=ON -DRILO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

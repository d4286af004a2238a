#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
# the tests, each fuzz target for a bounded time (FUZZ_SECONDS, default 60),
# and the same tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRILO_SANITIZE=ON -DRILO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

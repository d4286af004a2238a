#!/usr/bin/env bash
# Sets up the machine, builds everything and runs the whole test suite:
# the tests (the Windows builds under Wine and the packages included), each
# fuzz target for a bounded time (FUZZ_SECONDS, default 60), and the same
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer.  Each
# stage prints a heading; the last line says how it went and how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
start=$SECONDS
stage_name=""

elapsed() { local s=$((SECONDS - start)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }
stage() {
  stage_name="$1"
  echo
  echo "=== rilo: $1 ($(elapsed))"
}
finish() {
  local status=$?
  if [ "$status" -eq 0 ]; then
    echo "rilo: all stages passed in $(elapsed)"
  else
    echo "rilo: stage \"$stage_name\" failed after $(elapsed)"
  fi
}
trap finish EXIT

stage "setup"
scripts/setup.sh test

stage "build"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRILO_TESTS=ON -DRILO_BENCH=ON >/dev/null
cmake --build build -j "$jobs"

stage "tests"
ctest --test-dir build --output-on-failure -j "$jobs"

stage "fuzzing, ${FUZZ_SECONDS:-60}s per target"
scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

stage "sanitised build"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRILO_SANITIZE=ON -DRILO_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"

stage "sanitised tests"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS]           run every target (default 60 s each)
#   FUZZ_SEED=S [FUZZ_RUNS=N] scripts/fuzz.sh
#                                       a reproducible run: libFuzzer's seed S
#                                       and N inputs per target (default 100000)
#   scripts/fuzz.sh --replay TARGET FILE  run one input again (a finding)
# Every run starts from the seeds of tests/fuzz/corpus/TARGET and a fresh,
# empty working corpus, so the same seed and number of inputs do the same
# thing again; a timed run prints both.  Findings are written to
# build-fuzz/findings/; the run fails on any.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DRILO_FUZZ=ON \
  -DRILO_TESTS=OFF -DRILO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(params)
[ -f tests/fuzz/ac_fuzz.cpp ] && targets+=(ac)
[ -f tests/fuzz/cut_fuzz.cpp ] && targets+=(cut)
for t in "${targets[@]}"; do cmake --build build-fuzz -j "$(nproc)" --target "${t}_fuzz" >/dev/null; done

if [ "${1:-}" = "--replay" ]; then
  exec "build-fuzz/bin/$2_fuzz" "$3"
fi
seconds=${1:-60}
if [ -n "${FUZZ_SEED:-}" ]; then
  runs=${FUZZ_RUNS:-100000} seconds=0
  budget="$runs inputs"
else
  runs=2000000000
  budget="${seconds}s"
fi
# The numbers have a fixed width and the environment is cleared, so that the
# process starts with the same stack whatever the budget: addresses the code
# compares are part of what the fuzzer learns from.
limit=(-runs="$(printf %010d "$runs")" -max_total_time="$(printf %06d "$seconds")")
mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
  seed=${FUZZ_SEED:-$(( (RANDOM << 15) | RANDOM ))}
  work=build-fuzz/corpus-$t
  rm -rf "$work"
  mkdir -p "$work"
  echo "fuzz: $t for $budget, seed $seed"
  # Only the seed and the count decide what runs: no rereading of the corpus
  # folder on a timer, and no address randomisation.
  if ! env -i PATH="$PATH" setarch "$(uname -m)" -R "build-fuzz/bin/${t}_fuzz" "$work" "tests/fuzz/corpus/$t" -seed="$seed" "${limit[@]}" -reload=0 \
       -max_len=4096 -timeout=10 -artifact_prefix="build-fuzz/findings/$t-" -print_final_stats=1 \
       >"build-fuzz/$t.log" 2>&1; then
    echo "fuzz: $t found a fault:"; tail -30 "build-fuzz/$t.log"; status=1
  else
    grep -E "cov:" "build-fuzz/$t.log" | tail -1
  fi
  runs=$(awk '/stat::number_of_executed_units/ { print $2 }' "build-fuzz/$t.log")
  echo "fuzz: $t ran ${runs:-?} inputs; again: FUZZ_SEED=$seed FUZZ_RUNS=${runs:-?} scripts/fuzz.sh"
done
exit $status

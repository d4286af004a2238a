#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time.
#   scripts/fuzz.sh [SECONDS]           run every target (default 60 s each)
#   FUZZ_SEED=N scripts/fuzz.sh         replay a run with libFuzzer's seed N
#   scripts/fuzz.sh --replay TARGET FILE  run one input again (a finding)
# Findings are written to build-fuzz/findings/; the run fails on any.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang++-14 >/dev/null || [ ! -d /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang-14 libclang-rt-14-dev >/dev/null
fi
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DRILO_FUZZ=ON \
  -DRILO_TESTS=OFF -DRILO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=(params)
[ -f tests/fuzz/ac_fuzz.cpp ] && targets+=(ac)
for t in "${targets[@]}"; do cmake --build build-fuzz -j "$(nproc)" --target "${t}_fuzz" >/dev/null; done

if [ "${1:-}" = "--replay" ]; then
  exec "build-fuzz/bin/$2_fuzz" "$3"
fi
seconds=${1:-60}
mkdir -p build-fuzz/findings
status=0
for t in "${targets[@]}"; do
  seed=${FUZZ_SEED:-$(( (RANDOM << 15) | RANDOM ))}
  work=build-fuzz/corpus-$t
  mkdir -p "$work"
  echo "fuzz: $t for ${seconds}s, seed $seed (replay with FUZZ_SEED=$seed scripts/fuzz.sh $seconds)"
  if ! "build-fuzz/bin/${t}_fuzz" "$work" "tests/fuzz/corpus/$t" -seed="$seed" -max_total_time="$seconds" \
       -max_len=4096 -timeout=10 -artifact_prefix="build-fuzz/findings/$t-" -print_final_stats=1 \
       >"build-fuzz/$t.log" 2>&1; then
    echo "fuzz: $t found a fault:"; tail -30 "build-fuzz/$t.log"; status=1
  else
    grep -E "stat::number_of_executed_units|cov:" "build-fuzz/$t.log" | tail -2
  fi
done
exit $status

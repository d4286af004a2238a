#!/usr/bin/env bash
# Sets up the machine, builds rilo and the stand-in, and runs the tool's main
# job on the bundled example: the banner of examples/banner.ac rippled along
# x; the result and a side view land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target standin rilo >/dev/null
mkdir -p out
build/bin/standin apply examples/banner.ac out/banner-wave.ac --select objects banner \
  --freq-axis x --amp-axis z --frequency 0.75 --amplitude 0.12 --preview out/banner-wave.svg

#!/usr/bin/env bash
# Sets up the machine, builds rilo and the stand-in, and runs the tool on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target standin rilo >/dev/null
build/bin/standin examples/wave.tcl 2>/dev/null

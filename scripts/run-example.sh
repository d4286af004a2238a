#!/usr/bin/env bash
# Sets up the machine for the example only (compiler, CMake, Tcl/Tk), builds
# the stand-in and rilo, and runs the tool's main job on the bundled example:
# the banner of examples/banner.ac rippled along x; the result and a side
# view land in out/.
set -euo pipefail
cd "$(dirname "$0")/.."
step() { echo "run-example: $*"; }

step "checking the packages the example needs"
scripts/setup.sh example

step "configuring build/"
scripts/configure-build.sh
step "building the stand-in and rilo.p (a minute or two on a fresh build)"
# The compiler's errors go to standard error; of the rest, one line per part built.
cmake --build build -j "$(nproc)" --target standin rilo |
  { grep --line-buffered -E '^\[ *[0-9]+%\] Built target' || true; }

step "rippling the banner of examples/banner.ac into out/"
mkdir -p out
build/bin/standin apply examples/banner.ac out/banner-wave.ac --select objects banner \
  --freq-axis x --amp-axis z --frequency 0.75 --amplitude 0.12 --side-view out/banner-wave.svg

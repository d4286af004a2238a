#!/usr/bin/env bash
# Writes docs/dialog.png, the Rilo dialog as the stand-in shows it, from a
# build folder (default: build) on a private Xvfb display.  The main
# window's pictures are scripts/window-screenshot.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p docs
RILO_SCREENSHOT=$PWD/docs/dialog.png \
  scripts/with-xvfb.sh "$build/bin/standin" --gui examples/banner.ac scripts/dialog-screenshot.tcl
echo "wrote docs/dialog.png"

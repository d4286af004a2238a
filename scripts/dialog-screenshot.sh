#!/usr/bin/env bash
# Writes the pictures of the docs pages from a build folder (default: build) on a
# private Xvfb display: docs/dialog.png, the Rilo dialog as the stand-in
# shows it, and docs/window.png, the main window with the bundled banner
# after the dialog's wave.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mkdir -p docs
RILO_SCREENSHOT=$PWD/docs/dialog.png RILO_WINDOW_SCREENSHOT=$PWD/docs/window.png \
  scripts/with-xvfb.sh "$build/bin/standin" --gui examples/banner.ac scripts/dialog-screenshot.tcl
echo "wrote docs/dialog.png and docs/window.png"

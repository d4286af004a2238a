#!/usr/bin/env bash
# Writes the pictures of the main window in docs/ from a build folder
# (default: build), each on a private Xvfb display with the bundled banner:
# window.png (96 dpi), window-192dpi.png, window-min.png (the least size),
# and, once the window can show them, window-shaded.png and
# window-live.png.  The table of pictures is in window-screenshot.tcl.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shots=scripts/window-screenshot.tcl
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
mkdir -p docs
tclsh "$shots" | while read -r name scaling screen; do
  # The plug-in's trace of the wave goes to standard error: shown only when
  # a picture fails.
  if ! STANDIN_SCALING=$scaling XVFB_SCREEN=$screen scripts/with-xvfb.sh "$build/bin/standin" --gui \
      examples/banner.ac "$shots" -- "$name" "$PWD/docs" 2>"$errors"; then
    cat "$errors" >&2
    echo "window-screenshot: $name.png failed" >&2
    exit 1
  fi
done

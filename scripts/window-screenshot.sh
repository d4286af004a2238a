#!/usr/bin/env bash
# Writes the pictures of the main window in docs/ from a build folder
# (default: build), each on a private Xvfb display: with the bundled banner,
# window.png (96 dpi), window-192dpi.png, window-min.png (the least size),
# and, once the window can show them, window-shaded.png, window-live.png
# and dialog-beside.png; with the airship examples/make-airship.tcl writes into a
# temporary folder, window-four.png.  The table of pictures is in
# window-screenshot.tcl.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shots=scripts/window-screenshot.tcl
errors=$(mktemp)
models=$(mktemp -d)
trap 'rm -f "$errors"; rm -rf "$models"' EXIT
mkdir -p docs

# A row's model: the example kept in examples/, or one its generator writes.
model_file() {
  if [ -f "examples/$1.ac" ]; then
    echo "examples/$1.ac"
    return
  fi
  if [ ! -f "$models/$1.ac" ]; then
    tclsh "examples/make-$1.tcl" "$models" >&2
  fi
  echo "$models/$1.ac"
}

tclsh "$shots" | while read -r name scaling screen model; do
  file=$(model_file "$model")
  # The plug-in's trace of the wave goes to standard error: shown only when
  # a picture fails.
  if ! STANDIN_SCALING=$scaling XVFB_SCREEN=$screen scripts/with-xvfb.sh "$build/bin/standin" --gui \
      "$file" "$shots" -- "$name" "$PWD/docs" 2>"$errors"; then
    cat "$errors" >&2
    echo "window-screenshot: $name.png failed" >&2
    exit 1
  fi
done

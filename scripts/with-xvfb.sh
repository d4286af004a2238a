#!/usr/bin/env bash
# Runs a command against a private Xvfb display and stops the display after.
#
#   scripts/with-xvfb.sh [--timeout SECONDS] COMMAND [ARG ...]
#
# The server picks a free display number itself (-displayfd), so several
# runs can share a machine.  The command is killed after the timeout
# (default 120 s) and the exit status is the command's.  Without Xvfb the
# status is 77, which CTest reports as skipped; under CI=true it is 1, since
# a machine set up by scripts/setup.sh always has Xvfb.  XVFB_SCREEN sets the
# screen's size (default 1280x1024x24) and XVFB_DPI its resolution, from
# which Tk takes its scaling.
set -euo pipefail

limit=120
if [ "${1:-}" = "--timeout" ]; then
  limit=$2
  shift 2
fi
if [ $# -eq 0 ]; then
  echo "usage: with-xvfb.sh [--timeout SECONDS] COMMAND [ARG ...]" >&2
  exit 2
fi

if ! command -v Xvfb >/dev/null 2>&1; then
  if [ "${CI:-}" = "true" ]; then
    echo "with-xvfb: Xvfb is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
  echo "with-xvfb: Xvfb is missing; skipping" >&2
  exit 77
fi

work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ] && kill -0 "$server" 2>/dev/null; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1280x1024x24}" ${XVFB_DPI:+-dpi "$XVFB_DPI"} -nolisten tcp -noreset \
  3>"$work/display" 2>"$work/xvfb.log" &
server=$!

# The server writes its display number once it accepts connections: wait for
# it at most ten seconds.
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    break
  fi
  sleep 0.1
done
if [ ! -s "$work/display" ]; then
  echo "with-xvfb: Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

export DISPLAY=":$(head -n 1 "$work/display")"
status=0
timeout --kill-after=5 "$limit" "$@" || status=$?
if [ "$status" -eq 124 ]; then
  echo "with-xvfb: the command took longer than $limit s and was stopped" >&2
fi
exit "$status"

#!/bin/sh
# Runs the dialog's table of user actions in WISH on a private display,
# writing RECORD; with SAME-AS, RECORD must equal that record of another
# Tcl/Tk.  A missing WISH is a skip (77), or a failure under CI=true.
#
#   dialog_calls.sh WISH RILO.TCL RECORD [SAME-AS]
set -eu
wish=$1 script=$2 record=$3 same=${4:-}
here=$(dirname "$0")
if ! command -v "$wish" >/dev/null; then
  echo "dialog_calls: $wish is missing (scripts/setup.sh test installs it)" >&2
  [ "${CI:-}" = true ] && exit 1
  exit 77
fi
rm -f "$record"
"$here/../../scripts/with-xvfb.sh" --timeout 120 "$wish" "$here/dialog_calls.tcl" "$script" "$record"
[ -z "$same" ] || diff -u "$same" "$record"

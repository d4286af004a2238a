#!/usr/bin/env bash
# Installs a build into a fresh prefix and runs the installed stand-in from
# another folder, without --plugins: it must find the installed plug-in.
#
#   install.sh BUILD-DIR SOURCE-DIR
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: $0 BUILD-DIR SOURCE-DIR" >&2; exit 2; }
build="$1" src="$2"
work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-install.XXXXXX")"
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
expected="bin/standin lib/rilo/rilo.p lib/rilo/rilo.tcl"
for script in "$src"/standin/gui/window/window*.tcl; do
  [ -f "$script" ] && expected="$expected lib/rilo/$(basename "$script")"
done
got="$(cd "$work/prefix" && find . -type f | sed 's|^\./||' | sort | tr '\n' ' ')"
if [ "$got" != "$(tr ' ' '\n' <<<"$expected" | sort | tr '\n' ' ')" ]; then
  echo "FAILED: installed [$got], expected [$expected]" >&2
  exit 1
fi

mkdir "$work/elsewhere"
cd "$work/elsewhere"
menu="$("$work/prefix/bin/standin" -c 'standin menu list')"
dialog="$("$work/prefix/bin/standin" -c 'info commands pjtrilo_dialog')"
if ! grep -q 'Rilo\.\.\.' <<<"$menu" || [ "$dialog" != pjtrilo_dialog ]; then
  echo "FAILED: the installed stand-in did not load the installed plug-in (menu: $menu; dialog: $dialog)" >&2
  exit 1
fi
echo "installed: $got"
echo "menu of the installed stand-in: $menu"

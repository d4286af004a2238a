#!/usr/bin/env bash
# The Linux package: its contents, the module's exports, libraries and
# runtime versions, and the module working from the unpacked folder.
#
#   linux_package.sh BUILD-DIR NAME SOURCE-DIR GLIBC GLIBCXX STANDIN
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: $0 BUILD-DIR NAME SOURCE-DIR GLIBC GLIBCXX STANDIN" >&2; exit 2; }
build="$1" name="$2" src="$3" glibc="$4" glibcxx="$5" standin="$6"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/unpack.sh"
work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT

unpack_package "$build" "$name" "$work"
folder="$work/unpacked/$name"
"$here/../plugin/module_symbols.sh" "$folder/rilo.p" "$src/host/ac3d.h" "$glibc" "$glibcxx"
menu="$(cd "$work" && "$standin" --plugins "$folder" -c 'standin menu list')"
grep -q 'Rilo\.\.\.' <<<"$menu" || { echo "FAILED: the packaged module registered no menu entry: $menu" >&2; exit 1; }
echo "menu with the packaged module: $menu"

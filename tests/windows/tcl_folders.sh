#!/usr/bin/env bash
# Initialises rilo.p in ac3d_tcl from plug-in folders with awkward names and
# checks each time that the module's source command read rilo.tcl from that
# folder: pjtrilo_dialog exists, the command named the folder as it is, and
# no part of the name was evaluated.
#
#   tcl_folders.sh x86_64|i686 WINDOWS-BUILD-DIR   under Wine, with the ANSI
#                                                  code page 1252, then 1251
#   tcl_folders.sh native AC3D-TCL PLUGIN-DIR      natively (names in UTF-8)
#
# Under Wine the host is handed each folder as a Windows path (backslashes,
# drive Z:) in the ANSI code page, as a modeller names its own folders; the
# code page comes from a private locale (LOCPATH) and is read back from the
# host (GetACP).  Each code page is tried again with the host handing the
# name over in UTF-8 (--utf8-names), which the module must pass unchanged.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/require.sh"
arch="${1:-}"
case "$arch $#" in
  "native 3") host=("$2") files="$3" pages=(65001) script="$here/tclhost/sourced.tcl" ;;
  "x86_64 2" | "i686 2")
    host=(wine "$2/tclhost/ac3d.exe") files="$2/bin" pages=(1252 1252u 1251 1251u) script="Z:$here/tclhost/sourced.tcl" ;;
  *) echo "usage: $0 x86_64|i686 WINDOWS-BUILD-DIR | native AC3D-TCL PLUGIN-DIR" >&2; exit 2 ;;
esac
[ -f "${host[-1]}" ] || missing "${host[-1]}, built with Tcl/Tk for Windows,"

# The folders: the code pages each name is tried in (a name is only tried
# where the code page can spell it; a "u" marks the host's UTF-8 names),
# then the name.  A name ending in a
# backslash is handed over with a trailing separator; @long is a path of
# nested folders longer than 260 characters.
rows=(
  "65001 1252 1252u 1251 1251u|plain"
  "65001 1252 1251|with  two spaces"
  "65001 1252 1252u|accents àéîõü çñ ß"
  "65001 1252 1252u 1251 1251u|prix €5"
  "65001 1251 1251u|папка Кириллица"
  "65001 1252 1251|tcl [set pwned 1] \$x {braced} ]["
  "65001 1252 1252u|all of € é [\$y] {z}"
  "65001 1252 1251|@long"
  "1252 1251|trailing backslash\\"
)

if [ "$arch" = native ]; then
  work="$(mktemp -d "${TMPDIR:-/tmp}/rilo-folders.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
else
  source "$here/wine_prefix.sh"
  require localedef
  wine_prefix "$arch" "$(mktemp -d "${TMPDIR:-/tmp}/rilo-folders.XXXXXX")"
  work="$wine_work"
  export WINEPATH="$(windows_path "$2/tcl/bin")"
  # Wine takes the ANSI code page from the locale's country and reads Unix
  # names as UTF-8: both locales, made privately, leave the machine's alone.
  export LOCPATH="$work/locales"
  mkdir -p "$LOCPATH"
  for locale in en_US ru_RU; do localedef -i "$locale" -f UTF-8 "$LOCPATH/$locale.UTF-8" 2>/dev/null || true; done
fi

status=0 runs=0
fail() { echo "FAILED: $*" >&2; status=1; }
for token in "${pages[@]}"; do
  page="${token%u}" utf8=()
  [ "$page" = "$token" ] || utf8=(--utf8-names)
  case "$page" in
    1252) locale=en_US.UTF-8 ;;
    1251) locale=ru_RU.UTF-8 ;;
    *) locale="${LC_ALL:-C.UTF-8}" ;;
  esac
  number=0
  for row in "${rows[@]}"; do
    number=$((number + 1))
    [[ " ${row%%|*} " == *" $token "* ]] || continue
    name="${row#*|}" trailing=""
    if [ "$name" = @long ]; then
      name="$(printf 'a folder name of forty characters, no %02d/' 1 2 3 4 5 6 7)" name="${name%/}"
    elif [ "${name%\\}" != "$name" ]; then
      name="${name%\\}" trailing=/
    fi
    dir="$work/$token-$number/$name"
    mkdir -p "$dir"
    cp "$files/rilo.p" "$files/rilo.tcl" "$dir/"
    given="$dir$trailing" seen="$dir$trailing/rilo.tcl"
    if [ "$arch" != native ]; then
      given="$(windows_path "$given")" seen="Z:$seen"
    fi
    runs=$((runs + 1))
    what="[$token] $name$trailing"
    # A host that fails before the script's first line (its code page) did
    # not start: Wine under load now and then fails to, printing only its
    # own complaint ("ShellExecuteEx failed"), so that is tried once more,
    # and said.
    for try in 1 2; do
      code=0
      LC_ALL="$locale" timeout 120 "${host[@]}" ${utf8[@]+"${utf8[@]}"} "$given" "$script" >"$work/out" 2>"$work/err" || code=$?
      [ "$code" -ne 0 ] && [ "$try" = 1 ] && ! grep -q '^codepage ' "$work/out" || break
      echo "note: $what: the host ended with status $code before the script ran; trying again" >&2
    done
    if [ "$code" -ne 0 ]; then
      fail "$what: the host failed with status $code: $(tr -d '\r' <"$work/err") $(tr -d '\r' <"$work/out")"
      continue
    fi
    out="$(tr -d '\r' <"$work/out")"
    grep -qx "codepage $page" <<<"$out" || fail "$what: the ANSI code page is not $page: $out"
    grep -qx "sourced 1" <<<"$out" || fail "$what: rilo.tcl was not sourced: $out"
    grep -qxF "path $seen" <<<"$out" || fail "$what: the source command does not name $seen: $out"
    grep -qx "evaluated nothing" <<<"$out" || fail "$what: the folder name was evaluated as Tcl: $out"
  done
done
echo "$runs folder names ($arch, code pages ${pages[*]}): $([ "$status" -eq 0 ] && echo "rilo.tcl sourced from each" || echo "some failed")"
exit "$status"

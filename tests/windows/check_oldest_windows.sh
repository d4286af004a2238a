#!/usr/bin/env bash
# The oldest Windows a Windows module states, against what it imports.
#
#   check_oldest_windows.sh ARCH MODULE VERSION
#
# MODULE's header must give VERSION (such as 5.0) as both its OS and its
# subsystem version; every function it imports from a Windows DLL must be in
# oldest_windows.txt for ARCH; and VERSION must be the newest Windows any of
# them needs (for x86_64 at least 5.2, the first x64 Windows), so that it is
# neither too old to run the module nor older-looking than it need be.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 x86_64|i686 MODULE VERSION" >&2; exit 2; }
arch="$1" module="$2" stated="$3"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/require.sh"
objdump="$arch-w64-mingw32-objdump"
require "$objdump"
case "$arch" in
  x86_64) newest=5.2 ;;
  i686) newest=0.0 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac
[ -f "$module" ] || { echo "FAILED: $module was not built (scripts/build-windows.sh $arch)" >&2; exit 1; }

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
later() { [ "$(printf '%s\n' "$1" "$2" | sort -V | tail -n 1)" = "$1" ] && [ "$1" != "$2" ]; }

headers="$("$objdump" -p "$module")"
for field in OSystem Subsystem; do
  version="$(awk -v f="$field" '$1 == "Major" f "Version" { major = $2 } $1 == "Minor" f "Version" { minor = $2 }
    END { print major "." minor }' <<<"$headers")"
  [ "$version" = "$stated" ] || fail "the header's ${field}Version is $version, expected $stated"
done

# "dll function" for each import from a Windows DLL; the host's are ac3d.exe's.
imports="$(awk '
  /^The Import Tables/ { inside = 1; next }
  /^(The |PE File)/ { inside = 0 }
  inside && /DLL Name:/ { dll = tolower($3); next }
  inside && dll != "" && dll != "ac3d.exe" && /^\t[0-9a-f]+\t/ { print dll, $NF }' <<<"$headers")"
[ -n "$imports" ] || fail "no imports from Windows found in $module"

table="$(grep -v '^#' "$here/oldest_windows.txt" | awk -v a="$arch" 'NF == 4 && ($4 == "all" || $4 == a)')"
count=0 needs=""
while read -r dll name; do
  [ -n "$dll" ] || continue
  count=$((count + 1))
  since="$(awk -v d="$dll" -v n="$name" 'tolower($1) == d && $2 == n { print $3 }' <<<"$table")"
  if [ -z "$since" ]; then
    fail "$(basename "$module") imports $dll!$name, which oldest_windows.txt does not list for $arch"
  elif later "$since" "$newest"; then
    newest="$since" needs="$dll!$name"
  fi
done <<<"$imports"
[ "$newest" = "$stated" ] ||
  fail "the imports need Windows $newest${needs:+ ($needs)}, the module states $stated"
echo "$(basename "$module") ($arch): $count functions imported from Windows, all in Windows $newest; header states $stated"
exit "$failed"

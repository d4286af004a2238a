#!/usr/bin/env bash
# Reads the export and import tables of the Windows build of one architecture.
#
#   check_tables.sh ARCH BIN-DIR SOURCE-DIR
#
# rilo.p must export exactly the names of plugin/rilo.def, undecorated, and
# import only from ac3d.exe (names of host/ac3d.def), KERNEL32 and the C
# runtime.  ac3d.exe must export exactly the names of host/ac3d.def and import
# only from KERNEL32 and the C runtime.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 x86_64|i686 BIN-DIR SOURCE-DIR" >&2; exit 2; }
arch="$1" bin="$2" src="$3"
source "$(dirname "$0")/require.sh"
objdump="$arch-w64-mingw32-objdump"
require "$objdump"
case "$arch" in
  x86_64) format=pei-x86-64 ;;
  i686) format=pei-i386 ;;
  *) echo "unknown architecture $arch" >&2; exit 2 ;;
esac

failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }

# Names listed under EXPORTS in a module definition file, sorted.
def_names() { sed -n '/^EXPORTS/,$p' "$1" | tail -n +2 | sed 's/;.*//' | awk 'NF { print $1 }' | sort; }

# Exported names of a PE file, sorted.
exports_of() {
  "$objdump" -p "$1" | sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p' | sort
}

# "DLL NAME" for every imported name of a PE file, the DLL in lower case.
imports_of() {
  "$objdump" -p "$1" | awk '
    /^The Import Tables/ { inside = 1; next }
    /^(The |PE File)/ { inside = 0 }
    inside && /DLL Name:/ { dll = tolower($3); next }
    inside && dll != "" && /^\t[0-9a-f]+\t/ { print dll, $NF }'
}

runtime_dll() {
  case "$1" in
    kernel32.dll|msvcrt.dll|ucrtbase.dll|api-ms-win-crt-*.dll) return 0 ;;
    *) return 1 ;;
  esac
}

check_file() {
  local file="$1" def="$2" host_def="$3" got want
  if [ ! -f "$file" ]; then
    fail "$file was not built (scripts/build-windows.sh $arch)"
    return
  fi
  "$objdump" -f "$file" | grep -q "file format $format" || fail "$file is not $format"
  got="$(exports_of "$file")"
  want="$(def_names "$def")"
  [ "$got" = "$want" ] || fail "$(basename "$file") exports [$(echo $got)], expected [$(echo $want)]"

  local dll name
  while read -r dll name; do
    if [ "$dll" = ac3d.exe ] && [ -n "$host_def" ]; then
      def_names "$host_def" | grep -qx -- "$name" || fail "$(basename "$file") imports $name, not a service of host/ac3d.def"
    elif ! runtime_dll "$dll"; then
      fail "$(basename "$file") imports $name from $dll"
    fi
  done < <(imports_of "$file")
  echo "$(basename "$file") ($arch) exports: $(echo $got)"
  echo "$(basename "$file") ($arch) imports from: $(imports_of "$file" | cut -d' ' -f1 | sort -u | tr '\n' ' ')"
}

check_file "$bin/rilo.p" "$src/plugin/rilo.def" "$src/host/ac3d.def"
check_file "$bin/ac3d.exe" "$src/host/ac3d.def" ""
# The module must actually need the host: an empty import from ac3d.exe
# would mean the services were linked from somewhere else.
[ -f "$bin/rilo.p" ] && { imports_of "$bin/rilo.p" | grep -q '^ac3d.exe ' || fail "rilo.p imports nothing from ac3d.exe"; }
exit "$failed"

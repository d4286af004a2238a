#!/usr/bin/env bash
# The module exports its four entry points and nothing else, and needs only
# the host's services and the C and C++ runtimes.
#
#   module_symbols.sh MODULE HOST-HEADER [GLIBC GLIBCXX]
#
# With GLIBC and GLIBCXX, the newest glibc and libstdc++ symbol versions the
# module asks for must be exactly these: the oldest runtimes it runs on, as
# the package's README.txt states them.
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 4 ] || { echo "usage: $0 MODULE HOST-HEADER [GLIBC GLIBCXX]" >&2; exit 2; }
module=$1 header=$2

defined=$(nm -D --defined-only "$module" | awk '{print $3}' | sort)
expected=$(printf '%s\n' AC3DPluginAbout AC3DPluginExit AC3DPluginInfo AC3DPluginInit)
if [ "$defined" != "$expected" ]; then
  echo "unexpected exports:"; echo "$defined"; exit 1
fi

services=$(grep -oE 'AC3D_IMPORT [^(]*\b([a-z_]+)\(' "$header" | grep -oE '[a-z_]+\($' | tr -d '(' | sort)
status=0
while read -r kind name; do
  case "$name" in
    *@GLIBC_*|*@GLIBCXX_*|*@CXXABI_*|*@GCC_*) continue ;;  # the C and C++ runtimes
  esac
  if [ "$kind" = w ]; then continue; fi  # weak references the toolchain adds
  if ! grep -qx "$name" <<<"$services"; then
    echo "unexpected undefined symbol: $name"; status=1
  fi
done < <(nm -D --undefined-only "$module" | awk '{print $1, $2}')

# The host's services come from the executable that loads the module, so no
# library beyond the runtimes may be needed.
needed=$(objdump -p "$module" | awk '$1 == "NEEDED" {print $2}')
for library in $needed; do
  case "$library" in
    libc.so.6|libm.so.6|libstdc++.so.6|libgcc_s.so.1) ;;
    *) echo "unexpected library needed: $library"; status=1 ;;
  esac
done

if [ $# -eq 4 ]; then
  newest() { objdump -T "$module" | grep -oE "\\b$1_[0-9.]+" | sed "s/^$1_//" | sort -uV | tail -n 1; }
  for pair in "GLIBC $3" "GLIBCXX $4"; do
    read -r runtime stated <<<"$pair"
    found=$(newest "$runtime")
    if [ "$found" != "$stated" ]; then
      echo "the module needs ${runtime}_$found, README.txt states ${runtime}_$stated"; status=1
    fi
  done
fi
[ "$status" -eq 0 ] && echo "exports and imports as expected; needs $(echo $needed)"
exit $status

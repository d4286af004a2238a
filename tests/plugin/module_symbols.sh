#!/usr/bin/env bash
# The module exports its four entry points and nothing else, and needs only
# the host's services and the C and C++ runtimes.
set -euo pipefail
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
[ "$status" -eq 0 ] && echo "exports and imports as expected"
exit $status

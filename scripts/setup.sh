#!/usr/bin/env bash
# Installs what building and testing rilo needs, from Debian's packages.
# Safe to run again: it only asks apt for packages that are missing.
set -euo pipefail

packages=(
  build-essential cmake tcl-dev tk-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  valgrind clang-14 libclang-rt-14-dev
  mingw-w64 wine wine64
  xvfb imagemagick
  assimp-utils openscenegraph
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

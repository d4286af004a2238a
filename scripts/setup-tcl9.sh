#!/usr/bin/env bash
# Puts Tcl/Tk 9.0 from Debian trixie in a private folder (default
# /var/cache/rilo/tcl9, or $RILO_TCL9), for the dialog's tests on Tcl 9:
#
#   scripts/setup-tcl9.sh      then DIR/bin/tclsh9.0 and DIR/bin/wish9.0
#
# The machine's own package sources and installed packages stay as they are:
# apt reads a sources list, lists and cache of its own in DIR/apt, verified
# with Debian's archive keyring, and the packages are unpacked, not installed.
# The programs run with trixie's own C library through its dynamic loader.
# Safe to run again: a complete folder is left as it is.
set -euo pipefail

dir=${RILO_TCL9:-/var/cache/rilo/tcl9}
if [ -x "$dir/bin/wish9.0" ] && [ -x "$dir/bin/tclsh9.0" ]; then
  echo "setup: Tcl/Tk 9.0 is in $dir"
  exit 0
fi
# The folder is the machine's, like its packages.
if [ "$(id -u)" -ne 0 ] && ! mkdir -p "$dir" 2>/dev/null; then
  exec sudo RILO_TCL9="$dir" "$0"
fi
keyring=/usr/share/keyrings/debian-archive-keyring.gpg

# Only a folder this script made is emptied.
if [ -n "$(ls -A "$dir" 2>/dev/null)" ] && [ ! -e "$dir/.rilo-tcl9" ]; then
  echo "setup: $dir holds files of its own: set RILO_TCL9 to a new folder" >&2
  exit 1
fi
echo "setup: fetching Tcl/Tk 9.0 from Debian trixie into $dir"
apt=$dir/apt
rm -rf "$apt" "${dir:?}/root" "${dir:?}/bin"
mkdir -p "$dir"
touch "$dir/.rilo-tcl9"
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/none" "$dir/bin"
echo "deb [signed-by=$keyring] http://deb.debian.org/debian trixie main" >"$apt/sources.list"
: >"$apt/status"
options=(-q -o "Dir::Etc::sourcelist=$apt/sources.list" -o "Dir::Etc::sourceparts=$apt/none"
  -o "Dir::Etc::preferencesparts=$apt/none" -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache"
  -o "Dir::State::status=$apt/status" -o APT::Architectures::=amd64 -o APT::Sandbox::User=root)
if ! apt-get "${options[@]}" update >/dev/null; then
  echo "setup: trixie's package lists could not be fetched or verified with $keyring" \
    "(a newer debian-archive-keyring holds trixie's keys)" >&2
  exit 1
fi
# Against an empty status apt fetches every package the two need, down to libc6.
apt-get "${options[@]}" -y --no-install-recommends -o Debug::NoLocking=1 install --download-only tcl9.0 tk9.0 >/dev/null
for deb in "$apt"/cache/archives/*.deb; do
  dpkg -x "$deb" "$dir/root"
done

# Trixie's loader finds trixie's libraries first; what the programs need
# beyond the packages (the X server's fonts, say) comes from this machine.
root=$dir/root
libs=$root/usr/lib/x86_64-linux-gnu
for program in tclsh9.0 wish9.0; do
  cat >"$dir/bin/$program" <<EOF
#!/bin/sh
export TCL_LIBRARY=$root/usr/lib/tcl9.0 TK_LIBRARY=$root/usr/lib/tk9.0 TCL9_0_TM_PATH=$root/usr/lib/tcl9.0/tcl9
exec $root/usr/lib64/ld-linux-x86-64.so.2 --library-path $libs $root/usr/bin/$program "\$@"
EOF
  chmod +x "$dir/bin/$program"
done
if ! version=$(echo 'package require tcltest; puts [info patchlevel]' | "$dir/bin/tclsh9.0"); then
  rm -rf "${dir:?}/bin"
  echo "setup: the unpacked tclsh9.0 does not run" >&2
  exit 1
fi
echo "setup: Tcl/Tk $version is in $dir"

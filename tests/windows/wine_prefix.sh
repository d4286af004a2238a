# Sourced by the Wine checks.  wine_prefix ARCH WORK makes a Wine prefix of
# ARCH's width (64-bit, or 32-bit for i686) in WORK/prefix, private to the
# run so that other Wine users on the machine are left alone, and exports
# what wine needs to use it; on exit its server is stopped and WORK removed.
# windows_path PATH prints PATH as Windows sees it on drive Z:.
wine_prefix() {
  local arch="$1" work="$2" wine_arch
  require wine wineboot wineserver timeout
  case "$arch" in
    x86_64) wine_arch=win64 ;;
    # Debian's 32-bit Wine (package wine32) brings the 32-bit loader.
    i686) wine_arch=win32; [ -x /usr/lib/wine/wine ] || missing "32-bit Wine (wine32)" ;;
    *) echo "unknown architecture $arch" >&2; exit 2 ;;
  esac
  export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=$wine_arch
  # No Mono or Gecko installers.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  wine_work="$work"
  trap wine_finish EXIT
  # The first start of a prefix is slow; make it once, before the timed runs.
  if ! timeout 300 wineboot -i >"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log" >&2
    echo "FAILED: wineboot could not create a prefix" >&2
    exit 1
  fi
}

wine_finish() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$wine_work"
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# Sourced by the package checks.  unpack_package BUILD-DIR NAME WORK makes
# the package of a build folder with its CPack configuration, as
# scripts/package.sh does, unpacks it into WORK/unpacked and checks that it
# holds one folder NAME with exactly the four files a modeller installs and
# a README.txt that names the version.  It exits on any fault.
unpack_package() {
  local build="$1" name="$2" work="$3" archive listing expected version
  [ -f "$build/CPackConfig.cmake" ] || { echo "FAILED: $build is not configured (no CPackConfig.cmake)" >&2; exit 1; }
  if ! "${CPACK:-cpack}" --config "$build/CPackConfig.cmake" -B "$work/cpack" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAILED: cpack could not package $build" >&2
    exit 1
  fi
  archive=""
  for archive in "$work/cpack/$name.zip" "$work/cpack/$name.tar.gz" ""; do
    [ -f "$archive" ] && break
  done
  [ -n "$archive" ] || { echo "FAILED: no $name.zip or $name.tar.gz in:" $(ls "$work/cpack") >&2; exit 1; }

  mkdir "$work/unpacked"
  (cd "$work/unpacked" && cmake -E tar xf "$archive")
  listing="$(cd "$work/unpacked" && find . -mindepth 1 | sed 's|^\./||' | sort)"
  expected="$(printf '%s\n' "$name" "$name/LICENSE" "$name/README.txt" "$name/rilo.p" "$name/rilo.tcl")"
  if [ "$listing" != "$expected" ]; then
    echo "FAILED: $(basename "$archive") holds [$(echo $listing)], expected [$(echo $expected)]" >&2
    exit 1
  fi
  version="${name#rilo-}"
  version="${version%%-*}"
  grep -q "^rilo $version - " "$work/unpacked/$name/README.txt" ||
    { echo "FAILED: README.txt does not begin with the version $version" >&2; exit 1; }
  if grep -n '@[A-Za-z_]*@' "$work/unpacked/$name/README.txt" >&2; then
    echo "FAILED: README.txt has a value left unfilled" >&2
    exit 1
  fi
  # Windows readers get CRLF line ends on every line, the others none.
  lines=$(grep -c '' "$work/unpacked/$name/README.txt")
  crlf=$(grep -c "$(printf '\r')\$" "$work/unpacked/$name/README.txt" || true)
  case "$name" in *-windows-*) want=$lines ;; *) want=0 ;; esac
  [ "$crlf" = "$want" ] ||
    { echo "FAILED: README.txt has $crlf CRLF line ends of $lines, expected $want" >&2; exit 1; }
  echo "$(basename "$archive"): $(echo $listing)"
}

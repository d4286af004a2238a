# Sourced by the Windows and package checks: require TOOL... exits when a
# tool is missing, failing on a CI machine (where setup.sh must have
# installed it) and skipping (status 77) elsewhere; missing WHAT does the
# same for anything else that is not there.
missing() {
  if [ "${CI:-}" = true ]; then
    echo "FAILED: $1 is missing (scripts/setup.sh installs it)" >&2
    exit 1
  fi
  echo "skipped: $1 is missing (scripts/setup.sh installs it)"
  exit 77
}

require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || missing "$tool"
  done
}

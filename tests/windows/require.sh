# Sourced by the Windows checks: require TOOL... exits when a tool is
# missing, failing on a CI machine (where setup.sh must have installed it)
# and skipping (status 77) elsewhere.
require() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null && continue
    if [ "${CI:-}" = true ]; then
      echo "FAILED: $tool is missing (scripts/setup.sh installs it)" >&2
      exit 1
    fi
    echo "skipped: $tool is missing (scripts/setup.sh installs it)"
    exit 77
  done
}

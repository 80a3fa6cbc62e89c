# Shared by the install checks: a temporary folder that goes with the check, and failing loudly.
set -euo pipefail
: "${OSTREL_BUILD_DIR:?run through CTest}"
work=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-install-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

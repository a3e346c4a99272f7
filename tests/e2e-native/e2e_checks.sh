# SPDX-License-Identifier: GPL-3.0-or-later
# What every test_*.sh here starts from: the tree, the glimmer to run, the
# private Xvfb screen, and the checks' pass, fail, abort and summary.
# Sourced; the script sets `work` to its work folder.

GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
GLIMMER_TOOL=${GLIMMER_TOOL:-$GLIMMER_ROOT/build/native/glimmer}
# shellcheck source=../../scripts/lib/xvfb.sh
source "$GLIMMER_ROOT/scripts/lib/xvfb.sh"

failures=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
abort() { fail "$*"; echo "1 or more checks failed"; exit 1; }

# E2E_KEEP=1 keeps the work folder.
remove_work() {
  if [ "${E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}

# Ends the script: status 0 when no check failed.
finish_checks() {
  if [ $failures -eq 0 ]; then
    echo "all checks passed"
    exit 0
  fi
  echo "$failures check(s) failed"
  exit 1
}

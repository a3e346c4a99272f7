# SPDX-License-Identifier: GPL-3.0-or-later
# Steps of the set-up, main and test scripts. A step's output goes to a log of
# its own under build/logs/; when a step fails, the script says which step and
# which command failed, shows the last lines of that log and ends non-zero, so
# that no failure is silent and no output is lost.
#   run_step NAME COMMAND...    runs COMMAND quietly as step NAME
#   run_shown NAME COMMAND...   runs COMMAND with its output on the terminal
#   step_failed NAME MESSAGE    says that step NAME failed, and ends
#   need_programs STEP PROGRAM:PACKAGE...
#                               ends with the missing programs and their packages

GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
GLIMMER_LOGS=${GLIMMER_LOGS:-$GLIMMER_ROOT/build/logs}
# The name failures are reported under: the script that was started.
GLIMMER_SCRIPT=${GLIMMER_SCRIPT:-$(basename "$0" .sh)}

step_log() {
  local name=${1//[^A-Za-z0-9._-]/-}
  mkdir -p "$GLIMMER_LOGS"
  echo "$GLIMMER_LOGS/$name.log"
}

step_failed() {
  echo "$GLIMMER_SCRIPT: step '$1' failed: $2" >&2
  exit 1
}

run_step() {
  local name=$1
  shift
  local log status
  log=$(step_log "$name")
  echo "== $name"
  "$@" >"$log" 2>&1 && return 0
  status=$?
  {
    echo "$GLIMMER_SCRIPT: step '$name' failed (exit status $status): $*"
    echo "--- the last lines of its output ($log):"
    tail -n "${GLIMMER_LOG_LINES:-30}" "$log"
    echo "---"
  } >&2
  exit 1
}

run_shown() {
  local name=$1
  shift
  "$@" && return 0
  local status=$?
  echo "$GLIMMER_SCRIPT: step '$name' failed (exit status $status): $*" >&2
  exit 1
}

need_programs() {
  local step=$1 entry missing=()
  shift
  for entry in "$@"; do
    command -v "${entry%%:*}" >/dev/null 2>&1 || missing+=("${entry%%:*} (Debian package ${entry#*:})")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local IFS=,
  step_failed "$step" "missing program(s):${missing[*]/#/ }"
}

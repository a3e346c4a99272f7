# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the test guest's scripts: where its image is cached, the hash of
# the recipe that names it, and the step reports of its build and its runs.
#
# The image is keyed by the recipe: the files below. A change to any of them
# makes a new image on the next run; runs and CI on the same machine share the
# cached one.
GUEST_SCRIPTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$GUEST_SCRIPTS/../.." && pwd)}
GUEST_CACHE=${GLIMMER_GUEST_CACHE:-/var/cache/glimmerwheel}
GUEST_RECIPE=(
  "$GUEST_SCRIPTS/lib.sh"
  "$GUEST_SCRIPTS/build.sh"
  "$GUEST_SCRIPTS/init"
  "$GUEST_SCRIPTS/first-boot.sh"
  "$GLIMMER_ROOT/scripts/lib/wine.sh"
)
# The folder of logs of a build or a run that went wrong.
GUEST_LOGS=${GLIMMER_GUEST_LOGS:-$GLIMMER_ROOT/build/guest}

guest_image_dir() {
  echo "$GUEST_CACHE/guest-$(cat "${GUEST_RECIPE[@]}" | sha256sum | cut -c1-16)"
}

GUEST_STEP=
guest_step() {
  GUEST_STEP=$1
  echo "[guest] $1" >&2
}

guest_fail() {
  echo "[guest] FAILED: $GUEST_STEP: $*" >&2
  exit 1
}

# guest_run LOG COMMAND...: runs the step's command with its output in LOG;
# on failure shows the end of LOG and names the step.
guest_run() {
  local log=$1
  shift
  echo "[guest] \$ $*" >>"$log"
  if ! "$@" >>"$log" 2>&1; then
    echo "---- last lines of $log" >&2
    tail -n 25 "$log" >&2
    echo "----" >&2
    guest_fail "'$*' did not succeed (the whole output is in $log)"
  fi
}

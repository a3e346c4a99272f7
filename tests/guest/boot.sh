#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# guest32.boot: boots the emulated guest once (scripts/guest/run.sh, which builds
# and caches it on first use) with the source tree and this build shared, and
# runs job.sh in it for the checks named on the command line. Passes when the
# guest has left a result for every check; the checks' own ctests report them.
#
#   boot.sh CHECK...
# Environment (set by ctest): GLIMMER_ROOT, GLIMMER_BUILD (the 32-bit build),
# GLIMMER_NATIVE_BUILD (whose glimmer packs the test saver), GUEST_JOB (the
# job folder; the guest's console log stays there).
set -uo pipefail

fail() {
  echo "guest32.boot: FAILED: $*" >&2
  exit 1
}

# The guest has no glimmer tool: the end-to-end scripts get the saver packed here.
for file in saver.exe tests/windows_tests.exe tests/core_tests.exe; do
  [ -f "$GLIMMER_BUILD/$file" ] || fail "no $GLIMMER_BUILD/$file (build the win32-tests preset)"
done
[ -x "$GLIMMER_NATIVE_BUILD/glimmer" ] ||
  fail "no glimmer tool at $GLIMMER_NATIVE_BUILD/glimmer (build the native preset)"
rm -rf "$GUEST_JOB" && mkdir -p "$GUEST_JOB/results" || fail "cannot make $GUEST_JOB"
"$GLIMMER_NATIVE_BUILD/glimmer" pack "$GLIMMER_ROOT/assets/glimmerwheel.gif" -o "$GUEST_JOB/glimmerwheel.scr" \
  --stub "$GLIMMER_BUILD/saver.exe" >"$GUEST_JOB/pack.log" 2>&1 ||
  { cat "$GUEST_JOB/pack.log"; fail "could not pack the test saver"; }

{
  printf 'export GLIMMER_ROOT=%q GLIMMER_BUILD=%q\n' "$GLIMMER_ROOT" "$GLIMMER_BUILD"
  printf 'exec bash %q' "$GLIMMER_ROOT/tests/guest/job.sh"
  printf ' %q' "$@"
  echo
} >"$GUEST_JOB/job.sh"

shares=(--share "$GLIMMER_ROOT")
case $GLIMMER_BUILD/ in
  "$GLIMMER_ROOT"/*) ;;
  *) shares+=(--share "$GLIMMER_BUILD") ;;
esac
bash "$GLIMMER_ROOT/scripts/guest/run.sh" "${shares[@]}" --deadline 1500 "$GUEST_JOB"
echo "guest32.boot: the job ended with status $?"

missing=()
for check in "$@"; do
  [ -f "$GUEST_JOB/results/$check.status" ] || missing+=("$check")
done
[ ${#missing[@]} -eq 0 ] || fail "no result from the guest for: ${missing[*]} (console: $GUEST_JOB/console.log)"

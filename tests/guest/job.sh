# SPDX-License-Identifier: GPL-3.0-or-later
# The job of guest32.boot, run as root inside the emulated guest (scripts/guest/
# init) with the source tree and the 32-bit build at their host paths and the
# 32-bit Wine prefix in GLIMMER_WINEPREFIX. Runs each check named on the command
# line, its output into /job/results/CHECK.log and its exit status into
# CHECK.status:
#   windows_tests, core_tests   the 32-bit build's GoogleTest programs
#   e2e.NAME                    tests/e2e/test_NAME.sh against the 32-bit saver
# All of them share one Xvfb screen and one Wine session: starting Wine's own
# processes costs about ten seconds each time on the emulated processor.
set -u
results=/job/results
# The scripts' waits and pauses take this many times as long.
export E2E_SLOWDOWN=2 E2E_DEADLINE=300
export GLIMMER_SAVER=$GLIMMER_BUILD/saver.exe GLIMMER_PACKED_SAVER=/job/glimmerwheel.scr
export GLIMMER_WINE_SESSION=kept
source "$GLIMMER_ROOT/scripts/lib/wine.sh"
source "$GLIMMER_ROOT/scripts/lib/xvfb.sh"
cd /tmp || exit 1
start_xvfb || exit 1
wineserver -p

for check in "$@"; do
  case $check in
    core_tests) command=(bash "$GLIMMER_ROOT/scripts/wine-run.sh" "$GLIMMER_BUILD/tests/core_tests.exe") ;;
    # Without the two matrices that feed 28 bad packages to the program for the
    # platform-free reader and decoder (about four minutes here): that code
    # runs 32-bit in core_tests, the program meets such packages in
    # e2e.corrupt_packages, and the matrices run whole under wine64.
    windows_tests) command=(bash "$GLIMMER_ROOT/scripts/wine-run.sh" "$GLIMMER_BUILD/tests/windows_tests.exe"
      --gtest_filter=-SaverRobustness.CutOrDamagedHeadersSayCorruptHeader:SaverRobustness.BadPicturesRunAndEndOnAKey) ;;
    # The saver's own output (shown when a check fails) with Wine's errors.
    e2e.*) command=(env WINEDEBUG=err+all,fixme-all bash "$GLIMMER_ROOT/tests/e2e/test_${check#e2e.}.sh") ;;
    *) echo "unknown check $check" >"$results/$check.log"; echo 1 >"$results/$check.status"; continue ;;
  esac
  started=$(date +%s)
  "${command[@]}" >"$results/$check.log" 2>&1
  status=$?
  echo "$status" >"$results/$check.status"
  echo "$check: exit status $status after $(($(date +%s) - started)) s"
done

wineserver -k
stop_xvfb

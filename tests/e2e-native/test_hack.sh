#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# glimmer play as an X screen-saver hack on a private Xvfb screen: the checks
# of hack_window_check (the window read back against the saver's frames, a
# resize, SIGTERM, SIGINT, the window destroyed, a 32-bit window). The
# launcher that install-hack writes is run by the daemon in test_xscreensaver.
#
# Environment: GLIMMER_ROOT, GLIMMER_TOOL and GLIMMER_HACK_CHECK; ctest sets
# them. E2E_KEEP=1 keeps the work folder.
set -u

# shellcheck source=e2e_checks.sh
source "$(dirname "$0")/e2e_checks.sh"
GLIMMER_HACK_CHECK=${GLIMMER_HACK_CHECK:-$GLIMMER_ROOT/build/native/tests/e2e-native/hack_window_check}

work=$(mktemp -d /tmp/glimmer-hack-e2e.XXXXXX)

cleanup() {
  stop_xvfb
  remove_work
}
trap cleanup EXIT

[ -x "$GLIMMER_TOOL" ] || abort "no glimmer at $GLIMMER_TOOL"
[ -x "$GLIMMER_HACK_CHECK" ] || abort "no hack_window_check at $GLIMMER_HACK_CHECK"

saver=$work/Test.scr
"$GLIMMER_TOOL" make "$GLIMMER_ROOT/assets/glimmerwheel.gif" -o "$saver" >"$work/make.log" 2>&1 ||
  abort "glimmer make failed: $(cat "$work/make.log")"

GLIMMER_SCREEN=1600x1200x24 start_xvfb || abort "Xvfb did not start"

"$GLIMMER_HACK_CHECK" "$GLIMMER_TOOL" "$saver" "$work"

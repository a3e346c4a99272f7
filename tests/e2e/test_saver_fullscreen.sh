#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The saver mode takes the whole screen and any key press ends it with exit code 0.
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "saver full screen, ended by keys"

saver=$(make_test_saver fullscreen) || e2e_abort "could not pack a test saver"

# A letter key.
start_saver "$saver" /s
window=$(wait_for_window '^GlimmerwheelStudio$') || e2e_abort "no saver window appeared"
check_equal "the window is titled GlimmerwheelStudio" "GlimmerwheelStudio" "$(window_title "$window")"
check_equal "the window covers the 640 x 480 screen" "0 0 640 480" "$(window_geometry "$window")"
check "the window is full screen" grep -q _NET_WM_STATE_FULLSCREEN <<<"$(window_state "$window")"
check "the window has no title bar" eval '! window_has_title_bar "$window"'
pause 1
check_saver_stays 1 "the saver keeps running without input"
shot=$(screenshot fullscreen)
check_equal "a screenshot of the running saver is 640 x 480" "640x480" "$(identify -format %wx%h "$shot" 2>/dev/null)"
send_key a
check_saver_exits 5 0 "the key A ends the saver"

# A modifier alone is a key press too.
start_saver "$saver" /S
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared on the second start"
pause 1
send_key Shift_L
check_saver_exits 5 0 "the Shift key alone ends the saver"

e2e_end

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Mouse input: the left button ends the saver, the right one does not; a pointer
# jump of 10 pixels is tolerated, one of 11 ends it. The first movement after
# the frames have begun is tolerated too, wherever the pointer is: Wine on a
# busy machine sometimes tells the saver nothing of the pointer before it.
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "saver mouse input"

saver=$(make_test_saver mouse) || e2e_abort "could not pack a test saver"

start_saver "$saver" /s
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared"
wait_for_picture || e2e_abort "the saver showed no picture"
click 1
check_saver_exits 5 0 "a left click ends the saver"

start_saver "$saver" /s
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared on the second start"
# The first frame arms the mouse rule.
wait_for_picture || e2e_abort "the saver showed no picture on the second start"
move_mouse_by 10 0
check_saver_window_stays 1 "a pointer jump of 10 pixels to the right does not end the saver"
click 3
check_saver_window_stays 1 "a right click does not end the saver"
move_mouse_by 0 10
check_saver_window_stays 1 "a further jump of 10 pixels down does not end the saver"
move_mouse_by -10 -10
check_saver_window_stays 1 "a diagonal jump of 10 pixels in each axis does not end the saver"
move_mouse_by -11 0
check_saver_exits 5 0 "a pointer jump of 11 pixels to the left ends the saver"

start_saver "$saver" /s
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared on the third start"
wait_for_picture || e2e_abort "the saver showed no picture on the third start"
move_mouse_by 0 -10
check_saver_window_stays 1 "a pointer jump of 10 pixels up does not end the saver"
move_mouse_by 0 11
check_saver_exits 5 0 "a pointer jump of 11 pixels down ends the saver"

e2e_end

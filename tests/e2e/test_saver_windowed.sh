#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The windowed test mode ("w" then "s") runs the saver in a captioned window.
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "saver windowed test mode"

saver=$(make_test_saver windowed) || e2e_abort "could not pack a test saver"

start_saver "$saver" ws
window=$(wait_for_window '^GlimmerwheelStudio$') || e2e_abort "no saver window appeared"
check_equal "the window is titled GlimmerwheelStudio" "GlimmerwheelStudio" "$(window_title "$window")"
check "the window has a title bar" window_has_title_bar "$window"
check "the window is not full screen" eval '! grep -q _NET_WM_STATE_FULLSCREEN <<<"$(window_state "$window")"'
# Without a window manager the X window is the client area: the 640 x 480
# window less its frame and caption.
read -r x y width height <<<"$(window_geometry "$window")"
check "the client area lies inside the 640 x 480 window, below its caption" \
  test "$x" -gt 0 -a "$y" -gt "$x" -a "$width" -lt 640 -a "$height" -lt 480 \
       -a $((x + width)) -le 640 -a $((y + height)) -le 480
pause 1
check_saver_stays 1 "the saver keeps running in its window"
send_key space
check_saver_exits 5 0 "a key press ends the windowed saver"

e2e_end

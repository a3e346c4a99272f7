#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The saver shows its picture full screen, moving: two screenshots a second
# apart differ, each holds nothing but colours of the picture's colour table,
# and a key press ends the saver with exit code 0.
set -u
source "$(dirname "$0")/lib/effect_colours.sh"
e2e_begin "the effect full screen"

picture=$GLIMMER_ROOT/assets/glimmerwheel.gif
palette_colours "$picture" >"$E2E_WORK/palette.txt" || e2e_abort "could not read the picture's colour table"
saver=$(make_test_saver effect "$picture") || e2e_abort "could not pack a test saver"

start_saver "$saver" /s
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared"
wait_for_picture || e2e_abort "the saver showed no picture"
first=$(screenshot effect-1)
pause 1
second=$(screenshot effect-2)
check "the screen shows more than one colour" test "$(screen_colours "$first" | wc -l)" -gt 1
check "two screenshots a second apart differ" images_differ "$first" "$second"
check "the first screenshot holds only the picture's colours" \
  only_palette_colours "$first" "$E2E_WORK/palette.txt"
check "the second screenshot holds only the picture's colours" \
  only_palette_colours "$second" "$E2E_WORK/palette.txt"
check_saver_stays 0 "the saver is still running"
send_key x
check_saver_exits 5 0 "a key press ends the saver"

e2e_end

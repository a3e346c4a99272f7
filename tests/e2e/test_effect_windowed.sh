#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The windowed test mode ("w" then "s") shows the effect in its window on the
# 24-bit desktop, in the picture's own colours, and moving.
set -u
source "$(dirname "$0")/lib/effect_colours.sh"
e2e_begin "the effect in the windowed test mode"

picture=$GLIMMER_ROOT/assets/glimmerwheel.gif
palette_colours "$picture" >"$E2E_WORK/palette.txt" || e2e_abort "could not read the picture's colour table"
saver=$(make_test_saver effect-windowed "$picture") || e2e_abort "could not pack a test saver"

start_saver "$saver" ws
window=$(wait_for_window '^GlimmerwheelStudio$') || e2e_abort "no saver window appeared"
pause 2
# Without a window manager the X window is the client area alone.
first=$E2E_WORK/window-1.png
second=$E2E_WORK/window-2.png
import -window "$window" "$first"
pause 1
import -window "$window" "$second"
check "the window shows more than one colour" test "$(screen_colours "$first" | wc -l)" -gt 1
check "two captures of the window a second apart differ" images_differ "$first" "$second"
# The present stretches the 640 x 480 frame over the window's frame rectangle
# and Wine filters stretched blits: the edges between texels hold blends of
# neighbouring colours. The picture's smooth colours keep nearly every pixel
# within a few steps of its colour table; a wrong palette or a wrong
# conversion would not (a 4 % change of saturation leaves under 10 %).
check "the first capture shows the picture's colours" \
  mostly_palette_colours 90 8 "$first" "$E2E_WORK/palette.txt"
check "the second capture shows the picture's colours" \
  mostly_palette_colours 90 8 "$second" "$E2E_WORK/palette.txt"
send_key space
check_saver_exits 5 0 "a key press ends the windowed saver"

e2e_end

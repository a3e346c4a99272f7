#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The About box: the program started without an argument, or with the
# configure request, shows it; Escape leaves it open; Enter (OK, the default
# button) ends the program with exit code 0.
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "About box"

title='The Glimmerwheel Studio'

start_saver "$GLIMMER_SAVER"
window=$(wait_for_window "^$title\$") || e2e_abort "no About box appeared without an argument"
check_equal "the box is titled '$title'" "$title" "$(window_title "$window")"
read -r x y width height <<<"$(window_geometry "$window")"
# 188 x 106 dialog units; without a window manager the X window is the client
# area only, just inside the frame of a box at the top left corner.
check "the box stands at the top left corner of the screen" test "$x" -lt 40 -a "$y" -lt 60
check "the box is wider than it is high" test "$width" -gt "$height" -a "$height" -gt 100
pause 1
shot=$(screenshot about-box)
e2e_log "screenshot: $shot"
check_equal "a screenshot of the box is 640 x 480" "640x480" "$(identify -format %wx%h "$shot" 2>/dev/null)"

check "the box takes the input focus" focus_window "$window"
# A box that ends takes Wine about two seconds to take down: wait longer.
send_key Escape
check_saver_stays 4 "Escape leaves the box open"
check "the box is still shown after Escape" eval 'xdotool search --onlyvisible --name "^$title\$" >/dev/null'
send_key Return
check_saver_exits 10 0 "Enter ends the program"

# The configure request shows the same box.
start_saver "$GLIMMER_SAVER" /c:1234
window=$(wait_for_window "^$title\$") || e2e_abort "no About box appeared for /c:1234"
check_equal "the configure request shows the box titled '$title'" "$title" "$(window_title "$window")"
read -r x2 y2 width2 height2 <<<"$(window_geometry "$window")"
check_equal "the configure request's box is the same box" "$x $y $width $height" "$x2 $y2 $width2 $height2"
pause 1
check "the configure request's box takes the input focus" focus_window "$window"
send_key Escape
check_saver_stays 4 "Escape leaves the configure request's box open"
check "the configure request's box is still shown after Escape" eval 'xdotool search --onlyvisible --name "^$title\$" >/dev/null'
send_key Return
check_saver_exits 10 0 "Enter ends the configure request with exit code 0"

e2e_end

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A saver runs wherever it is kept: from a folder with a Cyrillic name, one with
# a CJK name (neither in a Western ANSI code page) and at a path of about 300
# characters (past the classic 260) it opens itself, shows its picture full
# screen in the picture's own colours and ends on a key with exit code 0.
set -u
# Wine names the Unix files in the locale's character set: UTF-8 keeps every
# character of a Windows name.
export LC_ALL=C.UTF-8
source "$(dirname "$0")/lib/effect_colours.sh"
e2e_begin "the saver from folders named in any script and from a long path"

picture=$GLIMMER_ROOT/assets/glimmerwheel.gif
palette_colours "$picture" >"$E2E_WORK/palette.txt" || e2e_abort "could not read the picture's colour table"
saver=$(make_test_saver paths "$picture") || e2e_abort "could not pack a test saver"

# The Windows length of a Unix path under Wine's drive Z: ("Z:" and the path).
windows_length() {
  local path=$1
  echo $((2 + ${#path}))
}

# Folders of up to 60 characters (a Unix name takes at most 255 bytes) until
# the saver's path is 300 characters long.
long=$E2E_WORK/long
while length=$(windows_length "$long/saver.scr") && [ "$length" -lt 300 ]; do
  step=$((300 - length - 1))
  [ "$step" -le 60 ] || step=60
  [ "$step" -ge 1 ] || step=1
  long=$long/$(head -c "$step" /dev/zero | tr '\0' d)
done
long_saver=$long/saver.scr
cyrillic_saver="$E2E_WORK/Заставка Юлии/Моя заставка.scr"
cjk_saver="$E2E_WORK/日本語 フォルダ/セーバー.scr"

run_from() {
  local label=$1 copy=$2 window shot later
  mkdir -p "$(dirname "$copy")" && cp "$saver" "$copy" || {
    fail "$label: could not place the saver"
    return
  }
  start_saver "$copy" /s
  if ! window=$(wait_for_window '^GlimmerwheelStudio$'); then
    fail "$label: no saver window appeared (a box such as \"error opening file\" instead?)"
    show_saver_log
    stop_saver
    return
  fi
  check_equal "$label: the window covers the 640 x 480 screen" "0 0 640 480" "$(window_geometry "$window")"
  if wait_for_picture; then
    shot=$(screenshot "picture-${label%% *}")
    check "$label: the screen shows more than one colour" test "$(screen_colours "$shot" | wc -l)" -gt 1
    check "$label: the screen holds only the picture's colours" only_palette_colours "$shot" "$E2E_WORK/palette.txt"
    # A moving picture: what the screen shows is this saver's, not one left behind.
    pause 1
    later=$(screenshot "later-${label%% *}")
    check "$label: the picture moves" images_differ "$shot" "$later"
  else
    fail "$label: the saver showed no picture"
  fi
  send_key x
  check_saver_exits 5 0 "$label: a key press ends the saver"
}

run_from "cyrillic folder" "$cyrillic_saver"
run_from "cjk folder" "$cjk_saver"
e2e_log "the long path is $(windows_length "$long_saver") characters as Windows names it"
check "the long path is 300 characters or more" test "$(windows_length "$long_saver")" -ge 300
run_from "long path" "$long_saver"

e2e_end

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up, makes the saver from the bundled default picture, renders
# a preview video of it, plays it live when a display is at hand, and
# builds the on-line maker's site, saying how to open it.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
bash scripts/setup.sh native web || step_failed "set up" "bash scripts/setup.sh native web (its message is above)"

glimmer=build/native/glimmer
mkdir -p out || step_failed "make the out folder" "mkdir -p out"
# The tool carries the 32-bit saver program: nothing else is needed.
run_shown "make the saver" "$glimmer" make assets/glimmerwheel.gif -o out/Glimmerwheel.scr
run_shown "inspect the saver" "$glimmer" inspect out/Glimmerwheel.scr
echo
run_shown "render the preview" "$glimmer" preview out/Glimmerwheel.scr -o out/preview.mp4
echo
echo "Made out/Glimmerwheel.scr: the 32-bit Glimmerwheel screen saver with the default picture,"
echo "and out/preview.mp4: its first 300 frames as the saver draws them, a small video to share"
echo "(glimmer preview out/Glimmerwheel.scr -o preview.gif makes them an animated GIF instead)."

display_usable() {
  if [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  [ -n "${WAYLAND_DISPLAY:-}" ]
}

echo
echo "The on-line maker is in build/web/site. To open it, serve it and visit the address it names:"
echo "  $glimmer serve            # http://127.0.0.1:8080/ (Ctrl+C stops it)"

echo
if display_usable; then
  echo "Playing it live: press a key, click, or move the mouse to stop."
  run_shown "play the saver" "$glimmer" play out/Glimmerwheel.scr
else
  echo "No display here to play it live. On a desktop, run:"
  echo "  $glimmer play out/Glimmerwheel.scr              # in a window"
  echo "  $glimmer play out/Glimmerwheel.scr --fullscreen # as the saver shows it"
fi

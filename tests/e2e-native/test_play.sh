#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# glimmer play on a private Xvfb screen: it opens a 640 x 480 window whose
# pixels are all colours of the picture's palette, keeps drawing, and ends with
# exit status 0 on a key press, and on a left click; a window destroyed or
# killed from outside ends it with a message and exit status 2.
#
# Environment: GLIMMER_ROOT (the source tree) and GLIMMER_TOOL (the glimmer to
# run); ctest sets both. E2E_KEEP=1 keeps the work folder.
set -u

# shellcheck source=e2e_checks.sh
source "$(dirname "$0")/e2e_checks.sh"

work=$(mktemp -d /tmp/glimmer-play-e2e.XXXXXX)
play_pid=

cleanup() {
  if [ -n "$play_pid" ] && kill -0 "$play_pid" 2>/dev/null; then
    kill "$play_pid" 2>/dev/null
    wait "$play_pid" 2>/dev/null
  fi
  stop_xvfb
  remove_work
}
trap cleanup EXIT

for tool in Xvfb xdotool import convert od; do
  command -v "$tool" >/dev/null || abort "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$GLIMMER_TOOL" ] || abort "no glimmer at $GLIMMER_TOOL"

# The saver under test: the default picture, packed unchanged at byte 61833.
saver=$work/test.scr
"$GLIMMER_TOOL" make "$GLIMMER_ROOT/assets/glimmerwheel.gif" -o "$saver" >"$work/make.log" 2>&1 ||
  abort "glimmer make failed: $(cat "$work/make.log")"
offset=$("$GLIMMER_TOOL" inspect "$saver" --json | grep -o '"offset": [0-9]*' | head -n 1 | grep -o '[0-9]*$')
[ -n "$offset" ] || abort "no record 0 offset from glimmer inspect"

# The 256 colours the saver loads: 768 bytes from the GIF's byte 13.
od -An -v -tu1 -j$((offset + 13)) -N768 "$saver" | tr -s ' ' '\n' | sed '/^$/d' | paste - - - |
  while read -r red green blue; do printf '#%02X%02X%02X\n' "$red" "$green" "$blue"; done | sort -u >"$work/palette.txt"
[ "$(wc -l <"$work/palette.txt")" -ge 2 ] || abort "could not read the picture's palette"

start_xvfb || abort "Xvfb did not start"

# Starts glimmer play; sets play_pid and window.
start_play() {
  local name=$1
  "$GLIMMER_TOOL" play "$saver" --seed 7 >"$work/$name.out" 2>"$work/$name.err" &
  play_pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Glimmerwheel - test\.scr$' 2>/dev/null | head -n 1)
  [ -n "$window" ] || abort "$name: no window appeared ($(cat "$work/$name.err"))"
}

# Waits up to 10 s for play to end; sets status to its exit status, or to
# "still running".
wait_play() {
  local waited=0
  while kill -0 "$play_pid" 2>/dev/null && [ $waited -lt 100 ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  if kill -0 "$play_pid" 2>/dev/null; then
    status="still running"
  else
    wait "$play_pid"
    status=$?
    play_pid=
  fi
}

# --- a key press ends it
# The pointer rests inside the window before it opens, so that the keyboard
# (which follows the pointer without a window manager) reaches it and no
# pointer jump comes later.
xdotool mousemove 320 240
start_play key
sleep 1.5
geometry=$(xdotool getwindowgeometry "$window" | grep -o 'Geometry: [0-9x]*' | grep -o '[0-9x]*$')
[ "$geometry" = 640x480 ] && pass "the window is 640 x 480" || fail "the window is $geometry, not 640x480"
import -window "$window" "$work/shot.png" 2>/dev/null || fail "no screenshot"
convert "$work/shot.png" -depth 8 -unique-colors txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | tr 'a-f' 'A-F' | sort -u >"$work/shot-colours.txt"
strangers=$(comm -23 "$work/shot-colours.txt" "$work/palette.txt")
if [ -s "$work/shot-colours.txt" ] && [ -z "$strangers" ]; then
  pass "the window shows only colours of the picture's palette ($(wc -l <"$work/shot-colours.txt") of them)"
else
  fail "colours outside the palette: $(head -n 10 <<<"$strangers" | tr '\n' ' ')"
fi
[ "$(wc -l <"$work/shot-colours.txt")" -ge 16 ] && pass "the picture is drawn (not one flat colour)" ||
  fail "only $(wc -l <"$work/shot-colours.txt") colours on screen"
sleep 0.3
import -window "$window" "$work/shot2.png" 2>/dev/null
if cmp -s <(convert "$work/shot.png" gray:-) <(convert "$work/shot2.png" gray:-); then
  fail "the picture does not move"
else
  pass "the picture moves"
fi
kill -0 "$play_pid" 2>/dev/null && pass "play keeps running until input" || fail "play ended by itself"
xdotool key space
wait_play
[ "$status" = 0 ] && pass "a key press ends play with exit status 0" || fail "after a key press: $status"
grep -q '^played [0-9]* frames of .* with seed 7$' "$work/key.out" && pass "play reports its frames and seed" ||
  fail "play printed: $(cat "$work/key.out" "$work/key.err")"

# --- a right click does not end it, a left click does
start_play click
sleep 1
xdotool click 3
sleep 0.5
kill -0 "$play_pid" 2>/dev/null && pass "a right click does not end play" || fail "a right click ended play"
xdotool click 1
wait_play
[ "$status" = 0 ] && pass "a left click ends play with exit status 0" || fail "after a left click: $status"

# --- the window destroyed, or its X connection killed, from outside
for how in windowclose windowkill; do
  start_play "$how"
  sleep 1
  xdotool "$how" "$window"
  wait_play
  if [ "$status" = 2 ] && grep -q '^glimmer play: the window was ' "$work/$how.err"; then
    pass "xdotool $how: play ends with a message and exit status 2"
  else
    fail "xdotool $how: status $status, stderr: $(cat "$work/$how.err")"
  fi
done

finish_checks

#!/usr/bin/env bash
# Mouse input: the left button ends the saver, the right one does not; a pointer
# jump of 10 pixels is tolerated, one of 11 ends it.
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "saver mouse input"

saver=$(make_test_saver mouse) || e2e_abort "could not pack a test saver"

# Starts the saver and, once its frames run, moves the pointer by (dx, dy) of
# at most 10 pixels: it must go on. The saver measures the first movement from
# the last pointer position it was told of before its first frame, or from
# (0, 0) when it was told of none. Windows tells a window of the pointer when it
# appears under it; Wine on a busy machine sometimes drops that enter event, and
# then this first movement ends the saver as designed. Such a start is made
# again, at most three times in all.
start_and_move_within_tolerance() {
  local dx=$1 dy=$2 message=$3 attempt
  for attempt in 1 2 3; do
    start_saver "$saver" /s
    wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared"
    # Frames run as soon as the window is active, so after this pause the mouse rule is armed.
    sleep 1
    move_mouse_by "$dx" "$dy"
    sleep 1
    if saver_window_shown; then
      pass "$message"
      return 0
    fi
    wait_saver_exit 10 || stop_saver
    e2e_log "the saver ended at its first pointer movement (start $attempt): Wine gave it no pointer position before its first frame"
  done
  fail "$message (the saver ended at its first movement on three starts)"
  show_saver_log
  return 1
}

start_saver "$saver" /s
wait_for_window '^GlimmerwheelStudio$' >/dev/null || e2e_abort "no saver window appeared"
sleep 1
click 1
check_saver_exits 5 0 "a left click ends the saver"

if start_and_move_within_tolerance 10 0 "a pointer jump of 10 pixels to the right does not end the saver"; then
  click 3
  check_saver_window_stays 1 "a right click does not end the saver"
  move_mouse_by 0 10
  check_saver_window_stays 1 "a further jump of 10 pixels down does not end the saver"
  move_mouse_by -10 -10
  check_saver_window_stays 1 "a diagonal jump of 10 pixels in each axis does not end the saver"
  move_mouse_by -11 0
  check_saver_exits 5 0 "a pointer jump of 11 pixels to the left ends the saver"
fi

if start_and_move_within_tolerance 0 -10 "a pointer jump of 10 pixels up does not end the saver"; then
  move_mouse_by 0 11
  check_saver_exits 5 0 "a pointer jump of 11 pixels down ends the saver"
fi

e2e_end

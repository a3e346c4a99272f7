#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The saver on corrupt packages, full screen: it shows its boxes or a black or
# partial picture, never crashes, and a key press ends it with exit code 0.
#
#   package                      what the saver shows
#   header cut to 100 bytes      the box "corrupt header"
#   magic damaged                the box "corrupt header"
#   record 65535 x 65535         a 4 GiB picture surface: the 32-bit program
#                                cannot lock it and says "lock error" (below);
#                                under wine64 it is made (about 4.3 GB of memory
#                                for a few seconds) and the saver runs
#   offset beyond the file       a black screen (no picture, no colours)
#   minimum code size 12         one colour (palette entry 0; nothing decoded)
#   garbage LZW data             whatever the garbage decodes to (here the top two
#                                rows, then an end code)
#   picture cut in half          the picture's top part
set -u
source "$(dirname "$0")/lib/harness.sh"
e2e_begin "saver on corrupt packages"

# Offsets in a saver: the header at 61440, record 0's fields from 61462, the
# picture at 61833.
header=61440
record_width=61462
record_height=61466
record_offset=61474
picture=61833

base=$(make_test_saver base) || e2e_abort "could not pack a test saver"
size=$(stat -c %s "$base")

# True when the program is a 32-bit x86 one: the machine field of its PE
# header (at the offset that byte 60 gives, plus 4) is 0x14C.
is_32_bit_program() {
  local header
  header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  [ "$(od -An -tx2 -j$((header + 4)) -N2 "$1" | tr -d ' ')" = 014c ]
}

# put32 FILE AT VALUE: a 32-bit little-endian value at byte AT.
put32() {
  local file=$1 at=$2 value=$3
  printf "$(printf '\\%03o\\%03o\\%03o\\%03o' $((value & 255)) $(((value >> 8) & 255)) \
    $(((value >> 16) & 255)) $(((value >> 24) & 255)))" |
    dd of="$file" bs=1 seek="$at" conv=notrunc status=none
}

variant() {
  local name=$1
  cp "$base" "$E2E_WORK/$name.scr"
  echo "$E2E_WORK/$name.scr"
}

# wait_for_own_window TITLES [SECS]: a visible window of the started saver
# whose whole title matches TITLES, a regular expression (a box's title is its
# caption, often empty); prints its id.
wait_for_own_window() {
  local titles=$1 deadline id
  deadline=$(deadline_in "${2:-30}")
  while [ "$(date +%s)" -lt "$deadline" ]; do
    for id in $(xdotool search --onlyvisible --pid "$SAVER_PID" 2>/dev/null); do
      if [[ "$(xdotool getwindowname "$id" 2>/dev/null)" =~ ^($titles)$ ]]; then
        echo "$id"
        return 0
      fi
    done
    saver_running || return 1
    pause 0.2
  done
  return 1
}

# answer_box TITLE [SECS]: waits for a box of the saver captioned TITLE,
# answers it with Enter and waits until it is gone.
answer_box() {
  local box
  box=$(wait_for_own_window "$1" "${2:-20}") || return 1
  focus_window "$box"
  send_key Return
  while xdotool getwindowname "$box" >/dev/null 2>&1 && saver_running; do
    pause 0.2
  done
}

# A box: it comes up instead of the saver's window; Enter answers it and the
# saver ends with 0.
expect_box() {
  local program=$1 title=$2 what=$3
  local box
  start_saver "$program" /s
  if ! box=$(wait_for_own_window "$title"); then
    wait_saver_exit 5
    fail "$what: no box titled '$title' came up (ended with ${SAVER_STATUS:-?})"
    return
  fi
  pass "$what: a box titled '$title' comes up"
  check "$what: and no saver window" eval '! xdotool search --onlyvisible --name "^GlimmerwheelStudio\$" >/dev/null'
  check_saver_stays 0.5 "$what: the saver waits for the box to be answered"
  focus_window "$box"
  send_key Return
  check_saver_exits 10 0 "$what: Enter answers the box and the saver ends"
}

# The saver's full-screen window comes up and shows a picture; COLOURS says
# how many colours the screen may show: "1 black", "1", "many" or "any".
expect_running() {
  local program=$1 colours=$2 what=$3 ending=${4:-10}
  start_saver "$program" /s
  if ! wait_for_window '^GlimmerwheelStudio$' >/dev/null; then
    wait_saver_exit 5
    fail "$what: no saver window (ended with ${SAVER_STATUS:-?})"
    return
  fi
  pause 1.5
  check_saver_stays 0.5 "$what: the saver keeps running"
  local shot count maximum tries=1
  shot=$(screenshot "$(basename "$program" .scr)")
  count=$(identify -format %k "$shot" 2>/dev/null)
  maximum=$(convert "$shot" -format '%[fx:maxima]' info: 2>/dev/null)
  # A partial picture may fill a whole frame with its blank part for a
  # moment: a few more frames, a little apart, show the rest.
  while [ "$colours" = many ] && [ "${count:-0}" -le 1 ] && [ "$tries" -lt 8 ]; do
    pause 0.4
    shot=$(screenshot "$(basename "$program" .scr)-$tries")
    count=$(identify -format %k "$shot" 2>/dev/null)
    tries=$((tries + 1))
  done
  case $colours in
    "1 black") check_equal "$what: the screen is black" "1 0" "$count $maximum" ;;
    1) check_equal "$what: the screen shows one colour" 1 "$count" ;;
    many) check "$what: the screen shows a picture ($count colours)" test "${count:-0}" -gt 1 ;;
    any) pass "$what: the screen shows $count colours" ;;
  esac
  send_key a
  check_saver_exits "$ending" 0 "$what: a key ends the saver"
}

program=$(variant cut-header)
truncate -s $((header + 100)) "$program"
expect_box "$program" "" "header cut to 100 bytes"

program=$(variant bad-magic)
printf 'X' | dd of="$program" bs=1 seek=$((header + 17)) conv=notrunc status=none
expect_box "$program" "" "damaged magic"

program=$(variant huge-record)
put32 "$program" $record_width 65535
put32 "$program" $record_height 65535
start_saver "$program" /s
if is_32_bit_program "$GLIMMER_SAVER"; then
  # Windows refuses a 4 GiB surface to a 32-bit program, and the saver shows
  # "Error initialising lpImage1 surface". Wine 8 makes the surface and takes
  # its memory only at the first lock, which cannot get 4 GiB in 32 bits: the
  # box "lock error" (caption MESSAGE) for the picture's load and again for
  # the first frame, after which the saver runs without its picture. The box
  # of a failed surface comes up in windows_tests, for sizes Wine refuses.
  if answer_box MESSAGE; then
    pass "a 65535 x 65535 record: the 32-bit saver cannot lock the surface and shows the box 'lock error'"
    check "a 65535 x 65535 record: and again for the first frame" answer_box MESSAGE
    check_saver_stays 1 "a 65535 x 65535 record: the saver runs on once its boxes are answered"
    send_key a
    check_saver_exits 10 0 "a 65535 x 65535 record: then a key ends the saver"
  else
    wait_saver_exit 5 || stop_saver
    fail "a 65535 x 65535 record: the 32-bit saver showed no box 'lock error' (ended with ${SAVER_STATUS:-?})"
  fi
elif wait_for_own_window "Error initialising lpImage1 surface" 10 >/dev/null; then
  pass "a 65535 x 65535 record: the box of a failed surface"
  send_key Return
  check_saver_exits 10 0 "a 65535 x 65535 record: Enter answers the box and the saver ends"
elif wait_for_own_window GlimmerwheelStudio 20 >/dev/null; then
  pass "a 65535 x 65535 record: the surface was made and the saver runs"
  pause 1
  send_key a
  check_saver_exits 30 0 "a 65535 x 65535 record: a key ends the saver"
else
  wait_saver_exit 5
  fail "a 65535 x 65535 record: neither the box nor the saver window (ended with ${SAVER_STATUS:-?})"
fi

program=$(variant far-offset)
put32 "$program" $record_offset $((size + 100000))
expect_running "$program" "1 black" "offset beyond the file"

# The code size byte: after 13 + 768 bytes of header and table, the image
# descriptor (found by glimmer decode's own reading: its first 0x2C).
program=$(variant code-size)
separator=$(od -A d -t x1 -v -j $((picture + 13 + 768)) -N 4096 "$program" |
  awk '{for (i = 2; i <= NF; i++) if ($i == "2c") { print $1 + i - 2; exit }}')
if [ -n "$separator" ]; then
  printf '\014' | dd of="$program" bs=1 seek=$((separator + 10)) conv=notrunc status=none
  expect_running "$program" 1 "minimum code size 12"
else
  fail "no image separator found in the test picture"
fi

program=$(variant garbage)
LC_ALL=C awk 'BEGIN { srand(17); for (i = 0; i < 6000; i++) printf "%c", int(rand() * 256) }' |
  dd of="$program" bs=1 seek=$((picture + 1200)) conv=notrunc status=none
expect_running "$program" any "garbage LZW data"

program=$(variant half)
truncate -s $(((size + picture) / 2)) "$program"
expect_running "$program" many "picture cut in half"

e2e_end

# SPDX-License-Identifier: GPL-3.0-or-later
# End-to-end harness: runs the 64-bit saver under wine64 on a private Xvfb
# screen and drives it with xdotool. An e2e script sources this file:
#
#   #!/usr/bin/env bash
#   source "$(dirname "$0")/lib/harness.sh"
#   e2e_begin "what this script checks"
#   saver=$(make_test_saver basic)
#   start_saver "$saver" /s
#   window=$(wait_for_window GlimmerwheelStudio) || e2e_abort "no saver window"
#   ...
#   e2e_end
#
# Environment (ctest sets the first four, see tests/e2e/CMakeLists.txt):
#   GLIMMER_ROOT          the source tree (assets/, scripts/lib/)
#   GLIMMER_SAVER         the win64 saver.exe, 61440 bytes, without a package
#   GLIMMER_BUILD         the win64 build folder
#   GLIMMER_NATIVE_BUILD  the host build whose glimmer tool packs test savers;
#                         looked for when the script runs, not when it is configured
#   GLIMMER_WINEPREFIX    optional private Wine prefix (scripts/lib/wine.sh)
#   GLIMMER_SCREEN        optional Xvfb screen, 640x480x24 unless given
#   GLIMMER_PACKED_SAVER  optional saver already packed with the default picture,
#                         for a machine without the glimmer tool (the test guest)
#   E2E_SLOWDOWN          whole factor for every wait and pause, 1 unless given
#                         (the test guest emulates its processors)
#   GLIMMER_WINE_SESSION  "kept": the caller runs Xvfb (DISPLAY) and a persistent
#                         wineserver for several scripts; the script uses them
#                         and leaves them running (the test guest's job)
#   E2E_DEADLINE          seconds after which the whole script gives up, 180
#                         times E2E_SLOWDOWN unless given
#   E2E_KEEP              keep the work folder (screenshots, logs) when set to 1
#
# Setup and teardown
#   e2e_begin TITLE        checks the tools, starts Xvfb on a free display
#                          (exports DISPLAY) unless the caller keeps a session,
#                          makes the Wine prefix, sets the cleanup trap and the
#                          deadline watchdog
#   e2e_end                prints the summary; exits 0 when no check failed
#   e2e_abort MESSAGE      records a failure and ends the script at once
#   e2e_cleanup            (the EXIT trap) stops the saver, wineserver and Xvfb
#
# The saver
#   make_test_saver NAME [GIF]
#                          packs GIF (assets/glimmerwheel.gif by default) behind
#                          the saver.exe; prints the new file's path
#   start_saver EXE ARG... starts `wine EXE ARG...` in the background; sets
#                          SAVER_PID, output goes to $E2E_WORK/saver.log
#   saver_running          true while the started saver has not ended
#   wait_saver_exit SECS   waits up to SECS for the saver to end; sets
#                          SAVER_STATUS to its exit code; false on timeout
#   stop_saver             ends the saver by force (no exit code is checked)
#
# Windows and input (X11 side)
#   wait_for_window TITLE [SECS]
#                          waits for a visible window whose title matches TITLE
#                          (a regular expression); prints its X window id
#   window_geometry ID     prints "x y width height" of the window
#   window_title ID        prints the window's title
#   window_state ID        prints the window's _NET_WM_STATE atoms, e.g.
#                          "_NET_WM_STATE_FULLSCREEN, _NET_WM_STATE_ABOVE"
#   window_has_title_bar ID
#                          true when the window asks for a title bar (Wine's
#                          _MOTIF_WM_HINTS decorations); without a window
#                          manager the X window is then the client area only
#   focus_window ID        gives the window the keyboard focus, as a window
#                          manager would (Xvfb has none: the keyboard follows
#                          the pointer, which Wine puts in the middle)
#   send_key KEY...        presses and releases keys (xdotool key names)
#   click BUTTON           presses and releases a mouse button (1 left, 2 middle, 3 right)
#   mouse_down BUTTON / mouse_up BUTTON
#   move_mouse_by DX DY    moves the pointer relative to where it is
#   move_mouse_to X Y      moves the pointer to a screen position
#   pointer_position       prints "x y" of the pointer
#   screenshot NAME        captures the screen into $E2E_WORK/NAME.png; prints the path
#   wait_for_picture [SECS]
#                          waits until the screen shows more than one colour: the
#                          saver has drawn its first frame
#   pause SECS             sleeps SECS times E2E_SLOWDOWN
#
# Checks (each prints one PASS or FAIL line)
#   pass MESSAGE / fail MESSAGE
#   check MESSAGE COMMAND...      passes when COMMAND succeeds
#   check_equal MESSAGE EXPECTED ACTUAL
#   check_saver_exits SECS CODE MESSAGE
#                          the saver ends within SECS with exit code CODE
#   check_saver_stays SECS MESSAGE
#                          the saver is still running after SECS
#   check_saver_window_stays SECS MESSAGE
#                          ... and its window is still shown
#
# Scripts should use `set -u` but not `set -e`: a failed check must go on to
# the summary and the cleanup.

E2E_HARNESS_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_SLOWDOWN=${E2E_SLOWDOWN:-1}
GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$E2E_HARNESS_DIR/../../.." && pwd)}
GLIMMER_BUILD=${GLIMMER_BUILD:-$GLIMMER_ROOT/build/win64}
GLIMMER_SAVER=${GLIMMER_SAVER:-$GLIMMER_BUILD/saver.exe}
GLIMMER_NATIVE_BUILD=${GLIMMER_NATIVE_BUILD:-$GLIMMER_ROOT/build/native}
export GLIMMER_SCREEN=${GLIMMER_SCREEN:-640x480x24}

# shellcheck source=../../../scripts/lib/wine.sh
source "$GLIMMER_ROOT/scripts/lib/wine.sh"
# shellcheck source=../../../scripts/lib/xvfb.sh
source "$GLIMMER_ROOT/scripts/lib/xvfb.sh"

E2E_TITLE=
E2E_WORK=
E2E_PASSED=0
E2E_FAILED=0
E2E_WATCHDOG_PID=
SAVER_PID=
SAVER_STATUS=

e2e_log() {
  echo "[e2e] $*"
}

# SECS (a decimal number) times E2E_SLOWDOWN.
scaled() {
  awk -v seconds="$1" -v factor="$E2E_SLOWDOWN" 'BEGIN { print seconds * factor }'
}

pause() {
  sleep "$(scaled "$1")"
}

pass() {
  E2E_PASSED=$((E2E_PASSED + 1))
  echo "PASS: $*"
}

fail() {
  E2E_FAILED=$((E2E_FAILED + 1))
  echo "FAIL: $*"
}

check() {
  local message=$1
  shift
  if "$@"; then pass "$message"; else fail "$message"; fi
}

check_equal() {
  local message=$1 expected=$2 actual=$3
  if [ "$expected" = "$actual" ]; then
    pass "$message"
  else
    fail "$message (expected '$expected', got '$actual')"
  fi
}

e2e_abort() {
  if [ -n "$SAVER_PID" ] && ! saver_running; then
    wait "$SAVER_PID" 2>/dev/null
    fail "$* (the saver ended with exit code $?)"
  else
    fail "$*"
  fi
  show_saver_log
  e2e_end
}

e2e_end() {
  trap - EXIT
  e2e_cleanup
  echo "== $E2E_TITLE: $E2E_PASSED passed, $E2E_FAILED failed"
  if [ "$E2E_FAILED" -ne 0 ] || [ "$E2E_PASSED" -eq 0 ]; then
    exit 1
  fi
  exit 0
}

e2e_cleanup() {
  if [ -n "$E2E_WATCHDOG_PID" ]; then
    kill "$E2E_WATCHDOG_PID" 2>/dev/null
    wait "$E2E_WATCHDOG_PID" 2>/dev/null
    E2E_WATCHDOG_PID=
  fi
  stop_saver
  stop_wine
  stop_xvfb
  if [ -n "$E2E_WORK" ] && [ -d "$E2E_WORK" ]; then
    if [ "${E2E_KEEP:-0}" = 1 ]; then
      e2e_log "kept $E2E_WORK"
    else
      rm -rf "$E2E_WORK"
    fi
  fi
}

e2e_on_signal() {
  fail "interrupted (deadline of ${E2E_DEADLINE:-$((180 * E2E_SLOWDOWN))} s or a signal)"
  e2e_end
}

e2e_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || e2e_abort "the tool '$tool' is not installed"
  done
}

e2e_begin() {
  E2E_TITLE=${1:-$(basename "$0")}
  echo "== $E2E_TITLE"
  trap e2e_cleanup EXIT
  trap e2e_on_signal INT TERM
  E2E_WORK=$(mktemp -d /tmp/glimmer-e2e.XXXXXX)

  # Ends the script cleanly (trap above) before ctest would kill it hard.
  local deadline=${E2E_DEADLINE:-$((180 * E2E_SLOWDOWN))} script=$$
  ( sleep "$deadline" && kill -TERM "$script" ) >/dev/null 2>&1 &
  E2E_WATCHDOG_PID=$!

  e2e_need Xvfb xdotool xprop import identify wine wineserver
  [ -f "$GLIMMER_SAVER" ] || e2e_abort "no saver program at $GLIMMER_SAVER (build the win64 preset)"
  [ -x "$GLIMMER_NATIVE_BUILD/glimmer" ] || [ -f "${GLIMMER_PACKED_SAVER:-}" ] ||
    e2e_abort "no glimmer tool at $GLIMMER_NATIVE_BUILD/glimmer (build the native preset)"

  if [ "${GLIMMER_WINE_SESSION:-}" = kept ] && [ -n "${DISPLAY:-}" ]; then
    e2e_log "the caller's screen $DISPLAY and Wine session, Wine prefix $WINEPREFIX"
  else
    start_xvfb || e2e_abort "Xvfb did not start"
    e2e_log "Xvfb on $DISPLAY ($GLIMMER_SCREEN), Wine prefix $WINEPREFIX"
  fi
  if ! ensure_wineprefix >"$E2E_WORK/wineprefix.log" 2>&1; then
    tail -n 20 "$E2E_WORK/wineprefix.log" >&2
    e2e_abort "the Wine prefix $WINEPREFIX could not be made"
  fi
}

make_test_saver() {
  local name=$1 default=$GLIMMER_ROOT/assets/glimmerwheel.gif
  local gif=${2:-$default} output=$E2E_WORK/$name.scr
  if [ -n "${GLIMMER_PACKED_SAVER:-}" ] && [ "$gif" = "$default" ]; then
    cp "$GLIMMER_PACKED_SAVER" "$output" && echo "$output"
    return
  fi
  if ! "$GLIMMER_NATIVE_BUILD/glimmer" pack "$gif" -o "$output" --stub "$GLIMMER_SAVER" >"$E2E_WORK/pack-$name.log" 2>&1; then
    cat "$E2E_WORK/pack-$name.log" >&2
    return 1
  fi
  echo "$output"
}

start_saver() {
  local program=$1
  shift
  SAVER_STATUS=
  wine "$program" "$@" >>"$E2E_WORK/saver.log" 2>&1 &
  SAVER_PID=$!
  e2e_log "started $(basename "$program") $* (pid $SAVER_PID)"
}

saver_running() {
  [ -n "$SAVER_PID" ] && kill -0 "$SAVER_PID" 2>/dev/null
}

wait_saver_exit() {
  local seconds=$1
  [ -n "$SAVER_PID" ] || return 1
  local tries=$((seconds * E2E_SLOWDOWN * 10))
  while saver_running && [ "$tries" -gt 0 ]; do
    sleep 0.1
    tries=$((tries - 1))
  done
  saver_running && return 1
  wait "$SAVER_PID" 2>/dev/null
  SAVER_STATUS=$?
  SAVER_PID=
  return 0
}

stop_saver() {
  if saver_running; then
    kill "$SAVER_PID" 2>/dev/null
    wait "$SAVER_PID" 2>/dev/null
  fi
  SAVER_PID=
}

# The second after which a wait of SECS (scaled) that begins now gives up.
deadline_in() {
  echo $(($(date +%s) + $(scaled "$1" | cut -d. -f1) + 1))
}

# Polls happen every 0.2 s (scaled): each one starts xdotool, which on an
# emulated processor takes time from the saver itself.
wait_for_window() {
  local title=$1 deadline id
  deadline=$(deadline_in "${2:-30}")
  while [ "$(date +%s)" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "$title" 2>/dev/null | head -n 1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    saver_running || return 1
    pause 0.2
  done
  return 1
}

window_geometry() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

window_title() {
  xdotool getwindowname "$1"
}

window_state() {
  xprop -id "$1" _NET_WM_STATE | sed -n 's/^_NET_WM_STATE(ATOM) = //p'
}

window_has_title_bar() {
  # _MOTIF_WM_HINTS = flags, functions, decorations, ...; 0x8 is the title.
  local decorations
  decorations=$(xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/^.*= *[^,]*, *[^,]*, *\([^,]*\),.*$/\1/p')
  [ -n "$decorations" ] && [ $((decorations & 0x8)) -ne 0 ]
}

focus_window() {
  xdotool windowfocus --sync "$1" 2>/dev/null
}

send_key() {
  xdotool key "$@"
}

click() {
  xdotool click "$1"
}

mouse_down() {
  xdotool mousedown "$1"
}

mouse_up() {
  xdotool mouseup "$1"
}

move_mouse_by() {
  # "--" so that negative steps are not taken for options.
  xdotool mousemove_relative -- "$1" "$2"
}

move_mouse_to() {
  xdotool mousemove "$1" "$2"
}

pointer_position() {
  local X Y SCREEN WINDOW
  eval "$(xdotool getmouselocation --shell)"
  echo "$X $Y"
}

screenshot() {
  local path=$E2E_WORK/$1.png
  import -window root "$path" && echo "$path"
}

wait_for_picture() {
  local deadline
  deadline=$(deadline_in "${1:-10}")
  while saver_running && [ "$(date +%s)" -lt "$deadline" ]; do
    [ "$(import -window root -format %k info: 2>/dev/null)" -gt 1 ] 2>/dev/null && return 0
    pause 0.2
  done
  return 1
}

check_saver_exits() {
  local seconds=$1 code=$2 message=$3
  if [ -z "$SAVER_PID" ]; then
    fail "$message (no saver was running: it had already ended)"
  elif wait_saver_exit "$seconds"; then
    check_equal "$message (exit code)" "$code" "$SAVER_STATUS"
    [ "$SAVER_STATUS" = "$code" ] || show_saver_log
  else
    fail "$message (still running after $(scaled "$seconds") s)"
    stop_saver
  fi
}

# The saver is still running after `seconds`.
check_saver_stays() {
  check_still_up saver_running "$@"
}

# The saver window is still shown. A saver that has been told to close takes
# its window down at once, but its process may take a second more to end (Wine
# waits for a window manager that Xvfb does not have), so a check that only
# looks at the process can miss a close that has already begun.
saver_window_shown() {
  saver_running && [ -n "$(xdotool search --onlyvisible --name '^GlimmerwheelStudio$' 2>/dev/null | head -n 1)" ]
}

check_saver_window_stays() {
  check_still_up saver_window_shown "$@"
}

check_still_up() {
  local still_up=$1 seconds=$2 message=$3
  if [ -z "$SAVER_PID" ]; then
    fail "$message (no saver was running: it had already ended)"
    return
  fi
  pause "$seconds"
  if "$still_up"; then
    pass "$message"
    return
  fi
  if saver_running; then
    fail "$message (the saver window went away)"
    show_saver_log
    stop_saver
  else
    wait "$SAVER_PID" 2>/dev/null
    SAVER_STATUS=$?
    SAVER_PID=
    fail "$message (ended with exit code $SAVER_STATUS)"
    show_saver_log
  fi
}

# What Wine and the saver printed, for a check that went wrong.
show_saver_log() {
  if [ -s "$E2E_WORK/saver.log" ]; then
    echo "---- last lines of the saver's output"
    tail -n 30 "$E2E_WORK/saver.log"
    echo "----"
  fi
}

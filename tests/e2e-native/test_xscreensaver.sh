#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The XScreenSaver daemon itself runs the hack that install-hack writes, on a
# private Xvfb screen: told to blank (xscreensaver-command -activate) it starts
# glimmer play in its window, whose frames come on screen and move; told to
# unblank it ends play (by SIGTERM, or by its window's end if that comes
# first).
#
# The daemon launches no hack as root, so as root it runs as the user nobody
# (through setpriv), with a home and a copy of glimmer of its own in the work
# folder.
#
# Environment: GLIMMER_ROOT and GLIMMER_TOOL; ctest sets both. E2E_KEEP=1
# keeps the work folder.
set -u

# shellcheck source=e2e_checks.sh
source "$(dirname "$0")/e2e_checks.sh"

work=$(mktemp -d /tmp/glimmer-xscreensaver-e2e.XXXXXX)
daemon_pid=
hack=

as_user=()
if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
home=$work/home

cleanup() {
  if [ -n "$daemon_pid" ] && kill -0 "$daemon_pid" 2>/dev/null; then
    kill "$daemon_pid" 2>/dev/null
    wait "$daemon_pid" 2>/dev/null
  fi
  # The hack, should the daemon have left it behind.
  if [ -n "$hack" ] && kill -0 "$hack" 2>/dev/null; then kill "$hack" 2>/dev/null; fi
  stop_xvfb
  remove_work
}
trap cleanup EXIT

for tool in Xvfb xscreensaver xscreensaver-command import convert setpriv xmllint; do
  command -v "$tool" >/dev/null || abort "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$GLIMMER_TOOL" ] || abort "no glimmer at $GLIMMER_TOOL"

# A glimmer that the daemon's user can run wherever the build lies.
mkdir -p "$work/bin" "$home"
cp "$GLIMMER_TOOL" "$work/bin/glimmer"
"$work/bin/glimmer" make "$GLIMMER_ROOT/assets/glimmerwheel.gif" -o "$work/Daemon.scr" >"$work/make.log" 2>&1 ||
  abort "glimmer make failed: $(cat "$work/make.log")"
HOME=$home "$work/bin/glimmer" install-hack "$work/Daemon.scr" >"$work/install.out" 2>&1 ||
  abort "install-hack failed: $(cat "$work/install.out")"
# The line install-hack prints, with the options the settings would add.
line=$(grep -o '"Glimmerwheel: Daemon".*--root' "$work/install.out")
[ -n "$line" ] || abort "install-hack printed no programs line: $(cat "$work/install.out")"
xmllint --noout "$home/.local/share/glimmerwheel/glimmerwheel.xml" || fail "xmllint refuses the hack description"
cat >"$home/.xscreensaver" <<SETTINGS
mode:		one
selected:	0
lock:		False
splash:		False
fade:		False
unfade:		False
timeout:	1:00:00
programs:	$line --seed 11 --fps 20 \\n
SETTINGS
chmod -R a+rX "$work"
[ ${#as_user[@]} -eq 0 ] || chown -R nobody:nogroup "$home"

GLIMMER_SCREEN=1600x1200x24 start_xvfb || abort "Xvfb did not start"
HOME=$home "${as_user[@]}" xscreensaver -no-splash -verbose >"$work/daemon.log" 2>&1 &
daemon_pid=$!
command_sent=
for _ in $(seq 40); do
  sleep 0.25
  if HOME=$home "${as_user[@]}" xscreensaver-command -activate >"$work/command.log" 2>&1; then
    command_sent=1
    break
  fi
done
[ -n "$command_sent" ] && pass "the daemon runs and takes xscreensaver-command -activate" ||
  abort "xscreensaver-command -activate: $(cat "$work/command.log"); daemon: $(tail -n 20 "$work/daemon.log")"

for _ in $(seq 40); do
  sleep 0.25
  hack=$(pgrep -f "^$work/bin/glimmer play $home/.local/share/glimmerwheel/glimmerwheel.scr --root --seed 11" | head -n 1)
  [ -n "$hack" ] && break
done
[ -n "$hack" ] && pass "the daemon starts the launcher's glimmer play" ||
  abort "no glimmer play started; daemon: $(tail -n 20 "$work/daemon.log")"
tr '\0' '\n' <"/proc/$hack/environ" 2>/dev/null | grep -q '^XSCREENSAVER_WINDOW=0x' &&
  pass "it names its window in XSCREENSAVER_WINDOW" || fail "no XSCREENSAVER_WINDOW in the hack's environment"

# The frame at 2 x 2 in the middle of 1600 x 1200, black bars of 160 either side.
frame_colours() { convert "$1" -crop 1280x960+160+120 -unique-colors txt:- 2>/dev/null | grep -c '#'; }
colours=0
for _ in $(seq 20); do
  sleep 0.5
  import -window root "$work/first.png" 2>/dev/null
  colours=$(frame_colours "$work/first.png")
  [ "${colours:-0}" -ge 16 ] && break
done
bar=$(convert "$work/first.png" -crop 160x1200+0+0 -unique-colors txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | sort -u)
[ "${colours:-0}" -ge 16 ] && [ "$bar" = "#000000" ] &&
  pass "the saver's frames fill the daemon's window ($colours colours), with black bars" ||
  fail "the daemon's window: $colours colours in the frame, bar $bar"
sleep 0.5
import -window root "$work/second.png" 2>/dev/null
if cmp -s <(convert "$work/first.png" gray:-) <(convert "$work/second.png" gray:-); then
  fail "the picture does not move"
else
  pass "the picture moves"
fi

HOME=$home "${as_user[@]}" xscreensaver-command -deactivate >>"$work/command.log" 2>&1
for _ in $(seq 40); do
  kill -0 "$hack" 2>/dev/null || break
  sleep 0.25
done
kill -0 "$hack" 2>/dev/null && fail "glimmer play still runs after -deactivate" ||
  pass "xscreensaver-command -deactivate ends glimmer play"
# Whether the daemon's SIGTERM or its window's end came first, play ends as
# it should, with its report (its output goes to the daemon's).
grep -q "^played [0-9]* frames of .*glimmerwheel.scr with seed 11$" "$work/daemon.log" &&
  pass "play ended in order: $(grep -E '^played|^glimmer play: ' "$work/daemon.log" | tr '\n' ' ')" ||
  fail "no report from play; daemon: $(tail -n 20 "$work/daemon.log")"

finish_checks

#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# glimmer play as an X screen-saver hack on a private Xvfb screen: the checks
# of hack_window_check (the window read back against the saver's frames, a
# resize, SIGTERM, SIGINT, the window destroyed), then the launcher that
# install-hack writes, started as XScreenSaver starts a hack.
#
# Environment: GLIMMER_ROOT, GLIMMER_TOOL and GLIMMER_HACK_CHECK; ctest sets
# them. E2E_KEEP=1 keeps the work folder.
set -u

GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$(dirname "$0")/../.." && pwd)}
GLIMMER_TOOL=${GLIMMER_TOOL:-$GLIMMER_ROOT/build/native/glimmer}
GLIMMER_HACK_CHECK=${GLIMMER_HACK_CHECK:-$GLIMMER_ROOT/build/native/tests/e2e-native/hack_window_check}
# shellcheck source=../../scripts/lib/xvfb.sh
source "$GLIMMER_ROOT/scripts/lib/xvfb.sh"

work=$(mktemp -d /tmp/glimmer-hack-e2e.XXXXXX)
hack_pid=
failures=0

cleanup() {
  if [ -n "$hack_pid" ] && kill -0 "$hack_pid" 2>/dev/null; then
    kill "$hack_pid" 2>/dev/null
    wait "$hack_pid" 2>/dev/null
  fi
  stop_xvfb
  if [ "${E2E_KEEP:-0}" = 1 ]; then echo "work folder kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
abort() { fail "$*"; echo "1 or more checks failed"; exit 1; }

for tool in Xvfb import convert xmllint; do
  command -v "$tool" >/dev/null || abort "$tool is not installed (scripts/setup.sh installs it)"
done
[ -x "$GLIMMER_TOOL" ] || abort "no glimmer at $GLIMMER_TOOL"
[ -x "$GLIMMER_HACK_CHECK" ] || abort "no hack_window_check at $GLIMMER_HACK_CHECK"

saver=$work/Test.scr
"$GLIMMER_TOOL" make "$GLIMMER_ROOT/assets/glimmerwheel.gif" -o "$saver" >"$work/make.log" 2>&1 ||
  abort "glimmer make failed: $(cat "$work/make.log")"

GLIMMER_SCREEN=1600x1200x24 start_xvfb || abort "Xvfb did not start"

"$GLIMMER_HACK_CHECK" "$GLIMMER_TOOL" "$saver" "$work" || failures=$((failures + 1))

# --- install-hack: the launcher plays the saver in the root window, as the
# daemon runs it ("--root" on its command line), until SIGTERM
HOME=$work/home "$GLIMMER_TOOL" install-hack "$saver" >"$work/install.out" 2>&1 ||
  fail "install-hack failed: $(cat "$work/install.out")"
installed=$work/home/.local/share/glimmerwheel
[ -x "$installed/glimmerwheel" ] && cmp -s "$saver" "$installed/glimmerwheel.scr" &&
  pass "install-hack writes the launcher and a copy of the saver" || fail "install-hack wrote: $(ls -l "$installed")"
grep -q '<screensaver name="glimmerwheel" _label="Glimmerwheel: Test">' "$installed/glimmerwheel.xml" &&
  pass "the description names the hack and the saver" || fail "description: $(cat "$installed/glimmerwheel.xml")"
grep -qF "$installed/glimmerwheel --root" "$work/install.out" &&
  pass "install-hack prints the line for ~/.xscreensaver" || fail "install-hack printed: $(cat "$work/install.out")"
xmllint --noout "$installed/glimmerwheel.xml" && pass "the description is well-formed XML" ||
  fail "xmllint refuses the description"

(cd / && exec "$installed/glimmerwheel" --root --seed 3 --fps 20) >"$work/root.out" 2>"$work/root.err" &
hack_pid=$!
# 1600 x 1200 takes the frame at 2 x 2, from (160, 120) to (1440, 1080), with
# bars of 160 pixels either side and 120 above and below. Read until drawn.
for _ in $(seq 20); do
  sleep 0.5
  import -window root "$work/root.png" 2>/dev/null
  colours=$(convert "$work/root.png" -crop 1280x960+160+120 -unique-colors txt:- 2>/dev/null | grep -c '#')
  bar=$(convert "$work/root.png" -crop 160x1200+0+0 -unique-colors txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | sort -u)
  [ "${colours:-0}" -ge 16 ] && break
done
[ "${colours:-0}" -ge 16 ] && [ "$bar" = "#000000" ] && pass "the launcher draws into the root window, with black bars" ||
  fail "root window: $colours colours in the frame, bar $bar ($(cat "$work/root.err"))"
kill -TERM "$hack_pid"
wait "$hack_pid"
status=$?
hack_pid=
[ $status = 0 ] && grep -q 'with seed 3$' "$work/root.out" && pass "SIGTERM ends the launcher's play with status 0" ||
  fail "after SIGTERM: status $status, $(cat "$work/root.out" "$work/root.err")"

if [ $failures -eq 0 ]; then
  echo "all checks passed"
  exit 0
fi
echo "$failures check(s) failed"
exit 1

# SPDX-License-Identifier: GPL-3.0-or-later
# A private virtual X screen of 640 x 480 x 24, the size at which Wine's
# DirectDraw can set the saver's 640 x 480 x 8 mode.
#   start_xvfb   starts it on a free display and exports DISPLAY
#   stop_xvfb    stops it again

start_xvfb() {
  if ! command -v Xvfb >/dev/null; then
    echo "Xvfb is missing (Debian package xvfb)" >&2
    return 1
  fi
  local fifo log
  fifo=$(mktemp -u /tmp/glimmer-xvfb.XXXXXX)
  log=$fifo.log
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${GLIMMER_SCREEN:-640x480x24}" -nolisten tcp 3>"$fifo" >"$log" 2>&1 &
  GLIMMER_XVFB_PID=$!
  local number
  if ! read -r -t 20 number <"$fifo"; then
    rm -f "$fifo"
    echo "Xvfb did not start; its output:" >&2
    tail -n 20 "$log" >&2
    rm -f "$log"
    return 1
  fi
  rm -f "$fifo" "$log"
  export DISPLAY=":$number"
}

stop_xvfb() {
  if [ -n "${GLIMMER_XVFB_PID:-}" ]; then
    kill "$GLIMMER_XVFB_PID" 2>/dev/null
    wait "$GLIMMER_XVFB_PID" 2>/dev/null
    GLIMMER_XVFB_PID=
  fi
}

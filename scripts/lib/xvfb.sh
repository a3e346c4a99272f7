# A private virtual X screen of 640 x 480 x 24, the size at which Wine's
# DirectDraw can set the saver's 640 x 480 x 8 mode.
#   start_xvfb   starts it on a free display and exports DISPLAY
#   stop_xvfb    stops it again

start_xvfb() {
  local fifo
  fifo=$(mktemp -u /tmp/glimmer-xvfb.XXXXXX)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${GLIMMER_SCREEN:-640x480x24}" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  GLIMMER_XVFB_PID=$!
  local number
  if ! read -r -t 20 number <"$fifo"; then
    rm -f "$fifo"
    echo "Xvfb did not start" >&2
    return 1
  fi
  rm -f "$fifo"
  export DISPLAY=":$number"
}

stop_xvfb() {
  if [ -n "${GLIMMER_XVFB_PID:-}" ]; then
    kill "$GLIMMER_XVFB_PID" 2>/dev/null
    wait "$GLIMMER_XVFB_PID" 2>/dev/null
    GLIMMER_XVFB_PID=
  fi
}

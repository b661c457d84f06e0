# Sourced: starts one Xvfb display for a whole run when no display is set.
# Xvfb picks a free display number itself (-displayfd), so stale lock files
# or servers left by other runs do not get in the way.
ORREL_XVFB_PID=""
orrel_start_xvfb() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local fifo dir number
  dir=$(mktemp -d "${TMPDIR:-/tmp}/orrel-xvfb.XXXXXX")
  fifo="$dir/displayfd"
  mkfifo "$fifo"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$fifo" >/dev/null 2>&1 &
  ORREL_XVFB_PID=$!
  number=$(timeout 20 head -n 1 "$fifo" || true)
  rm -rf "$dir"
  if [ -z "$number" ]; then
    echo "xvfb: the display did not come up" >&2
    kill "$ORREL_XVFB_PID" 2>/dev/null || true
    ORREL_XVFB_PID=""
    return 1
  fi
  export DISPLAY=":$number"
  local i
  for i in $(seq 1 50); do
    if xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "xvfb: display $DISPLAY does not answer" >&2
  return 1
}
orrel_stop_xvfb() {
  if [ -n "$ORREL_XVFB_PID" ]; then
    kill "$ORREL_XVFB_PID" 2>/dev/null || true
    wait "$ORREL_XVFB_PID" 2>/dev/null || true
    ORREL_XVFB_PID=""
  fi
}

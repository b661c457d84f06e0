# Sourced: starts one Xvfb display for a whole run when no display is set.
ORREL_XVFB_PID=""
orrel_start_xvfb() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      ORREL_XVFB_PID=$!
      export DISPLAY=":$n"
      local i
      for i in $(seq 1 50); do
        if xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then return 0; fi
        sleep 0.1
      done
      echo "xvfb: display $DISPLAY did not come up" >&2
      return 1
    fi
  done
  echo "xvfb: no free display number" >&2
  return 1
}
orrel_stop_xvfb() {
  if [ -n "$ORREL_XVFB_PID" ]; then kill "$ORREL_XVFB_PID" 2>/dev/null || true; fi
}

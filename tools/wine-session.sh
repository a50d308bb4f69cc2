# Sourced by the scripts that show windows: makes sure DISPLAY names an X
# display. When none is set, starts Xvfb on a free display number and stops it
# again when the calling script exits (velt_stop_display, called by its trap).
velt_xvfb_pid=
velt_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    velt_xvfb_pid=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      kill -0 "$velt_xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    unset DISPLAY
  done
  echo "display: could not start Xvfb" >&2
  return 1
}
velt_stop_display() {
  if [ -n "$velt_xvfb_pid" ]; then kill "$velt_xvfb_pid" 2>/dev/null; wait "$velt_xvfb_pid" 2>/dev/null; fi
  velt_xvfb_pid=
}

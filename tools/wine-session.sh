# Sourced by the scripts that run Windows programs under Wine.
#
# velt_wine_session: makes sure DISPLAY names an X display (starting Xvfb on a
# free display number when none is set), creates the project's Wine prefix
# ($VELT_WINEPREFIX, default build/wineprefix) once a display exists, exports
# WINEPREFIX and starts a persistent wine server, so that each program starts
# in milliseconds. When the calling script exits, the wine server and the Xvfb
# it started are stopped again (an EXIT trap of this file's).
velt_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
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
  echo "wine-session: could not start Xvfb" >&2
  return 1
}

velt_end_wine_session() {
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "$velt_xvfb_pid" ]; then kill "$velt_xvfb_pid" 2>/dev/null; wait "$velt_xvfb_pid" 2>/dev/null; fi
  velt_xvfb_pid=
}

velt_wine_session() {
  export WINEPREFIX=${VELT_WINEPREFIX:-$velt_root/build/wineprefix}
  trap velt_end_wine_session EXIT
  velt_ensure_display
  # A prefix first booted without a display cannot create windows later.
  "$velt_root/tools/wine-prefix.sh"
  /usr/lib/wine/wineserver -p 2>/dev/null || true  # one may already run
  "$velt_root/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
}

#!/usr/bin/env bash
# The test command: bootstraps, builds both presets, prepares the Wine prefix
# and a virtual display (when DISPLAY is not set), checks the shipped 32-bit
# PE files, and runs every test with CTest under wine64. Extra arguments go to
# the wine64 CTest run (for example -R DeletePath). Ends with CTest's summary.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

. tools/display.sh
export WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
cleanup() {
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  velt_stop_display
}
trap cleanup EXIT
velt_ensure_display
# The prefix is made with a display: Wine's first boot without one leaves a
# prefix in which no window can be created.
tools/wine-prefix.sh
# A persistent wine server: each test program then starts in milliseconds.
/usr/lib/wine/wineserver -p
tools/wine-run.sh cmd /c exit >/dev/null 2>&1 || true

status=0
(cd build/win32 && ctest --output-on-failure -L host) || status=1
(cd build/win64 && ctest --output-on-failure "$@") || status=1
exit $status

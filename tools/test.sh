#!/usr/bin/env bash
# The test command: bootstraps, builds both presets, prepares the Wine prefix
# and a virtual display (when DISPLAY is not set), checks the shipped 32-bit
# PE files, and runs every test with CTest under wine64. Extra arguments go to
# the wine64 CTest run (for example -R DeletePath). Ends with CTest's summary.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

. tools/wine-session.sh
velt_wine_session

status=0
(cd build/win32 && ctest --output-on-failure -L host) || status=1
(cd build/win64 && ctest --output-on-failure "$@") || status=1
exit $status

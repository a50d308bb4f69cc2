#!/usr/bin/env bash
# The test command: bootstraps, builds both presets, and runs every test with
# CTest, each build under its own Wine on a virtual display (when DISPLAY is
# not set):
#   - the x86_64 build under 64-bit Wine (build/wineprefix);
#   - the shipped i686 build under 32-bit Wine in a 64-bit prefix
#     (build/wineprefix-i686), a 32-bit program on a 64-bit Windows, with its
#     walk-through there and in a 32-bit prefix that reports Windows XP.
# Where this machine cannot run 32-bit programs, the i686 build's Wine tests
# are skipped with one line saying why (its host checks still run). Extra
# arguments go to both CTest runs (for example -R DeletePath). Exit status 1
# when a test failed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

. tools/wine-session.sh
status=0
echo "test: the x86_64 build under 64-bit Wine"
export VELT_WINE_ARCH=x86_64
velt_wine_session
(cd build/win64 && ctest --output-on-failure "$@") || status=1
velt_end_wine_session

if velt_can_run_32bit; then
  echo "test: the shipped i686 build under 32-bit Wine"
  export VELT_WINE_ARCH=i686
  velt_wine_session
  (cd build/win32 && ctest --output-on-failure "$@") || status=1
  velt_end_wine_session
else
  echo "test: SKIPPED the shipped i686 build's tests under Wine: $velt_no_32bit_reason"
  (cd build/win32 && VELT_WINE_UNAVAILABLE=1 ctest --output-on-failure -L host "$@") || status=1
fi
exit $status

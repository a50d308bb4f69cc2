#!/usr/bin/env bash
# The main job: installs what is missing, builds both presets and then, with
# the shipped 32-bit build under 32-bit Wine (a 32-bit program on a 64-bit
# Windows, prefix build/wineprefix-i686):
#   - with DISPLAY set: starts Setup on that display, for a person to use;
#   - without: walks through the product on a virtual display as a user
#     would (tools/walkthrough): a fresh installation through every page, the
#     calendar started from the finish page, a repair, a removal; prints what
#     it checked at each stage and saves a picture of every screen under
#     build/screenshots/.
# Where this machine cannot run 32-bit programs it says so in one line and
# does the same with the x86_64 build under 64-bit Wine.
# Exit status: Setup's, or the walk-through's (0 when every check held).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

. tools/wine-session.sh
if velt_can_run_32bit; then
  export VELT_WINE_ARCH=i686 build=win32
else
  echo "run: this machine cannot run the shipped 32-bit build ($velt_no_32bit_reason); using the x86_64 build"
  export VELT_WINE_ARCH=x86_64 build=win64
fi
setup=$here/build/$build/bin/Setup.exe
if [ -n "${DISPLAY:-}" ]; then
  tools/wine-prefix.sh
  echo "run: starting $setup on $DISPLAY"
  exec tools/wine-run.sh "$setup"
fi

velt_wine_session
shots=$here/build/screenshots
rm -rf "$shots"
mkdir -p "$shots"
echo "run: walking through the $build build on the virtual display $DISPLAY"
status=0
tools/wine-run.sh "$here/build/$build/bin/walkthrough.exe" "$setup" "$shots" | tr -d '\r' || status=$?
echo "run: $(ls "$shots" | wc -l) screenshots in $shots"
exit $status

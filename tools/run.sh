#!/usr/bin/env bash
# The main job: installs what is missing, builds both presets and then
#   - with DISPLAY set: starts Setup (64-bit build) on that display, for a
#     person to use, in the project's Wine prefix;
#   - without: walks through the product on a virtual display as a user
#     would (tools/walkthrough): a fresh installation through every page, the
#     calendar started from the finish page, a repair, a removal; prints what
#     it checked at each stage and saves a picture of every screen under
#     build/screenshots/.
# Exit status: Setup's, or the walk-through's (0 when every check held).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

setup=$here/build/win64/bin/Setup.exe
if [ -n "${DISPLAY:-}" ]; then
  tools/wine-prefix.sh
  echo "run: starting $setup on $DISPLAY"
  exec tools/wine-run.sh "$setup"
fi

. tools/wine-session.sh
velt_wine_session
shots=$here/build/screenshots
rm -rf "$shots"
mkdir -p "$shots"
echo "run: walking through the product on the virtual display $DISPLAY"
status=0
tools/wine-run.sh "$here/build/win64/bin/walkthrough.exe" "$setup" "$shots" | tr -d '\r' || status=$?
echo "run: $(ls "$shots" | wc -l) screenshots in $shots"
exit $status

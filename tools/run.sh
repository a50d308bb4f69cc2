#!/usr/bin/env bash
# The main job: builds both presets and starts the newest user-facing program
# of the 64-bit build under Wine (Setup, else Uninstall, else the calendar).
# With DISPLAY set it runs on that display until it is closed; without, it runs
# on a virtual display, and a screenshot is saved to the path printed.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/build.sh

program=
for candidate in "build/win64/bin/Setup.exe" "build/win64/bin/Uninstall.exe" "build/win64/bin/VELT电子日历.exe"; do
  if [ -f "$candidate" ]; then program=$candidate; break; fi
done
if [ -z "$program" ]; then
  echo "run: no user-facing program has been built yet"
  exit 0
fi

if [ -n "${DISPLAY:-}" ]; then
  tools/wine-prefix.sh
  echo "run: starting $program on $DISPLAY"
  exec tools/wine-run.sh "$program"
fi

. tools/wine-session.sh
velt_wine_session
echo "run: starting $program on the virtual display $DISPLAY"
tools/wine-run.sh "$program" &
sleep "${VELT_RUN_SECONDS:-8}"
shot=$here/build/screenshots/main.png
mkdir -p "$(dirname "$shot")"
import -window root "$shot"
echo "run: screenshot saved to $shot"

#!/usr/bin/env bash
# Makes the release kit: installs what is missing, builds the shipped 32-bit
# preset and packs Setup.exe, DuiLibu.dll and VELTSetupDate.DAT into
# build/win32/kit/VELT-Calendar-Setup-<version>-win32.zip (the same sources
# give the same bytes), checks it, and prints its path.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/bootstrap.sh build
[ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
cmake --build --preset win32 --target velt_kit
(cd build/win32 && ctest --output-on-failure -R '^release_kit$' >/dev/null) || {
  echo "kit: the kit did not pass its check (ctest -R release_kit in build/win32)" >&2; exit 1; }
ls build/win32/kit/VELT-Calendar-Setup-*-win32.zip

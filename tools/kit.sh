#!/usr/bin/env bash
# Makes the release kit: installs what is missing, builds the shipped 32-bit
# preset and packs Setup.exe, DuiLibu.dll and VELTSetupDate.DAT into
# build/win32/kit/VELT-Calendar-Setup-<version>-win32.zip (the same sources
# give the same bytes), checks it, and prints its path.
# Given a key (VELT_SIGN_PFX, or VELT_SIGN_PKCS11_MODULE and its key: see
# tools/kit/sign_kit.py), it then signs every PE of that kit, the programs in
# Setup's payload first, into build/win32/kit/signed/ under the same name,
# checks that kit too and prints its path instead; the unsigned kit stays.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
tools/bootstrap.sh build
[ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
cmake --build --preset win32 --target velt_kit
(cd build/win32 && ctest --output-on-failure -R '^release_kit$' >/dev/null) || {
  echo "kit: the kit did not pass its check (ctest -R release_kit in build/win32)" >&2; exit 1; }
kit=$(ls build/win32/kit/VELT-Calendar-Setup-*-win32.zip)
if [ -z "${VELT_SIGN_PFX:-}${VELT_SIGN_PKCS11_MODULE:-}" ]; then
  echo "$kit"
  exit 0
fi
signed=$(python3 tools/kit/sign_kit.py "$kit" build/win32/kit/signed) || {
  echo "kit: the kit could not be signed" >&2; exit 1; }
python3 tools/kit/check_kit.py "$signed" i686 i686-w64-mingw32-objdump tools/check-imports.sh >/dev/null || {
  echo "kit: the signed kit did not pass the kit's check (tools/kit/check_kit.py $signed)" >&2; exit 1; }
echo "$signed"

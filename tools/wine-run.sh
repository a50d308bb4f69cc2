#!/usr/bin/env bash
# Runs a Windows program of the build under 64-bit Wine, in the project's own
# prefix (never ~/.wine). CTest uses this as the cross-compiling emulator.
# The prefix is $VELT_WINEPREFIX, by default build/wineprefix of this checkout;
# tools/wine-prefix.sh creates it.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=${VELT_LOCALE:-zh_CN.UTF-8}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-run: no Wine prefix at $WINEPREFIX (run tools/wine-prefix.sh)" >&2
  exit 2
fi
exec /usr/lib/wine/wine64 "$@"

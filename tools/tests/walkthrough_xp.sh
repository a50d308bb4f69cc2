#!/usr/bin/env bash
# The walk-through of the shipped build on Windows XP: 32-bit Wine in a
# 32-bit prefix that reports Windows XP (build/wineprefix-xp, made by
# tools/wine-prefix.sh), in a Wine session of its own on the caller's display.
# Usage: walkthrough_xp.sh <walkthrough.exe> <Setup.exe> <screenshot folder>
# Exit status: the walk-through's.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export VELT_WINE_ARCH=xp
unset VELT_WINEPREFIX
. "$root/tools/wine-session.sh"
velt_wine_session
mkdir -p "$3"
"$root/tools/wine-run.sh" "$1" "$2" "$3" | tr -d '\r'

#!/usr/bin/env bash
# The walk-through of the shipped build on Windows XP: 32-bit Wine in a
# 32-bit prefix that reports Windows XP (build/wineprefix-xp, made by
# tools/wine-prefix.sh), in a Wine session of its own on the caller's display,
# after the check that this prefix is a sandbox like the others
# (tests/sandbox/prefix_sandbox_test.sh).
# Usage: walkthrough_xp.sh <sandbox_probe.exe> <walkthrough.exe> <Setup.exe> <screenshot folder>
# Exit status: the sandbox check's when it failed, else the walk-through's.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export VELT_WINE_ARCH=xp
unset VELT_WINEPREFIX
. "$root/tools/wine-session.sh"
velt_wine_session
bash "$root/tests/sandbox/prefix_sandbox_test.sh" "$1"
mkdir -p "$4"
"$root/tools/wine-run.sh" "$2" "$3" "$4" | tr -d '\r'

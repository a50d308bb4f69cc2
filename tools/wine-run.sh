#!/usr/bin/env bash
# Runs a Windows program of the build under Wine, in the project's own prefix
# (never ~/.wine). CTest uses this as the cross-compiling emulator. Which Wine
# and which prefix: VELT_WINE_ARCH (x86_64, the default, i686 or xp) or
# $VELT_WINEPREFIX, as tools/wine-env.sh says; tools/wine-prefix.sh creates
# the prefix.
#
# The prefix has no drive for the machine's root: the only files outside it
# that programs reach are those of the checkout's build/ folder, through drive
# Y:. So every argument that is an absolute path of or inside build/ is passed
# as its Y: path (the program too; a relative program path is taken from the
# current folder first), and when the current folder lies outside build/ the
# program starts in build/ (Y:\). Other arguments pass unchanged.
# Exit status: the program's (128 + the signal when Wine died of one), or 2
# when the prefix does not exist (or, with VELT_WINE_UNAVAILABLE=1, for
# anything but a test program's listing, which is empty).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$here/tools/wine-env.sh"
export LC_ALL=${VELT_LOCALE:-zh_CN.UTF-8}
# Where this machine cannot run the build's Wine at all (tools/test.sh found
# so and runs only the host checks of that build), CTest still asks every
# test program for its list of tests before it runs any: the answer is an
# empty list, so that the programs' tests are left out rather than failing
# the listing.
if [ "${VELT_WINE_UNAVAILABLE:-}" = 1 ]; then
  for arg in "$@"; do [ "$arg" = --gtest_list_tests ] && exit 0; done
  echo "wine-run: this build's Wine cannot run on this machine" >&2
  exit 2
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine-run: no Wine prefix at $WINEPREFIX (run tools/wine-prefix.sh)" >&2
  exit 2
fi

args=()
for arg in "$@"; do
  if [ ${#args[@]} -eq 0 ] && [ "${arg#/}" = "$arg" ] && [ "${arg%/*}" != "$arg" ] && [ -e "$arg" ]; then
    arg=$PWD/$arg
  fi
  velt_winpath "$arg" || true
  args+=("$REPLY")
done
if ! velt_in_build "$PWD" && ! velt_in_build "$(pwd -P)"; then
  cd "$velt_build_root" || exit 2
fi
# Not exec: where the Wine loader itself dies of a signal as the program ends
# (seen now and then with 32-bit Wine, after the program's last output), the
# caller gets 128 + the signal as an exit status, and a test is judged by
# what the program printed (CTest's pass expressions), not by Wine's end.
if [ "${VELT_RUN_AGAIN_IF_SILENT:-}" != 1 ]; then
  "$velt_wine_loader" "${args[@]}"
  exit $?
fi
# Test programs (CTest sets VELT_RUN_AGAIN_IF_SILENT=1 for them and for the
# scripts that run them: the sandbox probe, the walk-throughs, the fault
# runner of the quick subset) print
# something as soon as they start. Where Wine failed and printed nothing at
# all (seen about once per CI run: gone within 0.1 s with a failure status,
# no line from the program or from Wine), the program never ran: it is
# started once more, and a line on standard error says so. Standard output
# and error stay apart.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
for attempt in 1 2; do
  "$velt_wine_loader" "${args[@]}" 2> >(tee "$err" >&2) | tee "$out"
  rc=${PIPESTATUS[0]}
  wait $! 2>/dev/null  # the standard error copy
  if [ "$rc" -eq 0 ] || [ -s "$out" ] || [ -s "$err" ] || [ "$attempt" -eq 2 ]; then
    exit "$rc"
  fi
  echo "wine-run: Wine ended with status $rc before the program printed anything; starting it once more" >&2
done

#!/usr/bin/env bash
# What a person waits for first (not a test): from a program's start to its
# first screen drawn, for Setup (fresh installation: its first screen) and
# for Uninstall (run from a real installation made by Setup), each against
# an NSIS installer of the same files that opens on a welcome page of its own
# (Modern UI, MUI_PAGE_WELCOME, not silent), in the same run, the sides
# taking turns.
#
#   bash bench/first_screen.sh [--no-build] [BUILD_DIR]   (default build/win64; RUNS=11)
#
# first_screen.exe (bench/first_screen.cpp) says what "drawn" means and
# times it; it runs one unmeasured start of each side first. Between the
# two comparisons setup_timing.exe installs the product with the same Setup
# through its windows, into C:\velt-bench\first-installed; the traces are
# removed at the end. The first screens seen in the last runs are kept as
# BMP files in the prefix's C:\velt-bench\shots. Work files: BUILD_DIR/bench/first.
# BEFORE=<another build tree inside build/> adds that tree's Setup.exe to the
# fresh installation's turns (an older commit's, to show what a change bought).
# WAIT_LOAD=<load>: before each of the two comparisons, wait until the
# 1-minute load average is below it (at most WAIT_MAX seconds, default 4 hours).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_it=1
if [ "${1:-}" = --no-build ]; then build_it=; shift; fi
build=$(cd "${1:-$here/build/win64}" && pwd)
runs=${RUNS:-11}
if [ -n "$build_it" ]; then
  cmake --build "$build" --target Setup setup_skin Uninstall uninstall_skin first_screen setup_timing velt_payload
fi
work=$build/bench/first
mkdir -p "$work"

. "$here/bench/session.sh"
mkdir -p "$drive/shots"

# The NSIS installer of the payload's files: welcome, folder, files, finish.
zip=$build/payload/payload.zip
nsis=$work/welcome-nsis.exe
if [ ! -f "$nsis" ] || [ "$zip" -nt "$nsis" ]; then
  rm -rf "$work/payload"
  /usr/bin/python3 "$here/bench/unpack.py" "$zip" "$work/payload" --times
  cat > "$work/welcome.nsi" <<NSI
Unicode true
Target $nsis_target
SetCompressor zlib
!include MUI2.nsh
Name "velt-bench-welcome"
OutFile "$nsis"
InstallDir "C:\\velt-bench\\nsis-welcome"
RequestExecutionLevel user
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_LANGUAGE "SimpChinese"
Section
  SetOutPath "\$INSTDIR"
  File /r "$work/payload/*"
SectionEnd
NSI
  makensis -V1 "$work/welcome.nsi"
fi

# Waits for a quiet machine when WAIT_LOAD asks for it; prints the load.
quiet() {
  local deadline=$(($(date +%s) + ${WAIT_MAX:-14400}))
  while [ -n "${WAIT_LOAD:-}" ] && [ "$(date +%s)" -lt "$deadline" ] &&
    ! awk -v l="$(cut -d' ' -f1 /proc/loadavg)" -v w="$WAIT_LOAD" 'BEGIN { exit !(l < w) }'; do
    sleep 10
  done
  echo "load at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
}

# first_screen's summary lines as "median (min-max)" rows; $1 names ours.
report() {
  local ours=$1 out=$2
  echo "$out" | awk -v ours="$ours" '
    $1 == "program" { m[$2] = $3; lo[$2] = $4; hi[$2] = $5; n[$2] = $6 }
    $1 == "run" && $3 + 0 > 0 { c[$2] = $4; w[$2] = $5 }
    END {
      printf "  %-34s %.3f s (%.3f-%.3f), %d runs; %d colours, window %s\n", ours, m[1], lo[1], hi[1], n[1], c[1], w[1]
      printf "  %-34s %.3f s (%.3f-%.3f), %d runs; %d colours, window %s\n", "NSIS welcome page", m[2], lo[2], hi[2], n[2], c[2], w[2]
      printf "  ratio of the medians %.2f (goal <= 1)\n", m[1] / m[2] }'
}

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg); $machine"
echo "from the start to the first screen drawn, median (min-max) of $runs runs in turn:"
before=()
[ -n "${BEFORE:-}" ] && before=("$BEFORE/bin/Setup.exe")
quiet
fresh=$(run "$build/bin/first_screen.exe" --clean --runs "$runs" --shots 'C:\velt-bench\shots\setup' \
  "$build/bin/Setup.exe" "$nsis" "${before[@]}" | tr -d '\r')
report "Setup (fresh installation)" "$fresh"
[ -n "${BEFORE:-}" ] && echo "$fresh" | awk '$1 == "program" && $2 == 3 {
  printf "  %-34s %.3f s (%.3f-%.3f), %d runs\n", "Setup before", $3, $4, $5, $6 }'
[ -n "${BEFORE:-}" ] && echo "  (before: $BEFORE)"

run "$build/bin/setup_timing.exe" "$build/bin/Setup.exe" 'C:\velt-bench\first-installed' >/dev/null 2>&1 ||
  { echo "first_screen: the installation for Uninstall failed" >&2; exit 1; }
quiet
removal=$(run "$build/bin/first_screen.exe" --runs "$runs" --shots 'C:\velt-bench\shots\uninstall' \
  'C:\velt-bench\first-installed\Uninstall.exe' "$nsis" | tr -d '\r')
report "Uninstall (installed copy)" "$removal"
echo "load afterwards $(cut -d' ' -f1-3 /proc/loadavg)"

run "$build/bin/first_screen.exe" --clean
rm -rf "$drive/first-installed"

#!/usr/bin/env bash
# The installation at scale (not a test): the real Setup with the fault
# suite's large payload (SetupFaultTest.exe: 3116 entries, 213 MB) against
# the bound (raw_extract.exe: the fastest single-thread way to produce the
# same files, several ways of writing tried) and against the NSIS installer
# of the same files; the interface thread's longest answer during that
# installation; and the same for Setup with 1,000 to 10,000 more entries
# (SetupScale<N>Test.exe: the payload and N files of 8 KiB).
#
#   bash bench/scale.sh [--no-build] [BUILD_DIR]    (default build/win64; RUNS=5)
#
# BEFORE=<another build tree inside build/> adds that tree's SetupFaultTest
# as one more side (an older commit's, to show what a change bought).
#
# Setup is timed twice in each run by setup_timing.exe: by the worker's own
# clock around the extraction (the checkpoint gate of the test programs
# notes the counter at BeforeExtraction and at the AfterEntry of the last
# entry), and from outside, from the click on Page4's "nextbtn" to the finish
# page (the whole installation: record, files, manifest, shortcuts, autostart
# value, and the interface thread showing the finish page). The bound is
# timed inside raw_extract from the first entry opened to the last file
# closed, the archive already in memory: "whole" writes each file at once,
# a number of bytes streams it through a buffer of that size; "ahead" adds a
# second thread that inflates ahead. NSIS is timed from its start to its end
# (/S), an empty NSIS installer alone for its start-up.
#
# Every run starts from an empty target after `sync`; the sides take turns
# (round r starts with side r of the list). Printed: median, min and max of
# each side, the best bound and the ratios. Work files: BUILD_DIR/bench/scale
# and the prefix's C:\velt-bench.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_it=1
if [ "${1:-}" = --no-build ]; then build_it=; shift; fi
build=$(cd "${1:-$here/build/win64}" && pwd)
runs=${RUNS:-5}
counts=${COUNTS:-"1000 2000 5000 10000"}
if [ -n "$build_it" ]; then
  targets=(SetupFaultTest setup_timing raw_extract)
  for n in $counts; do targets+=("SetupScale${n}Test"); done
  cmake --build "$build" --target "${targets[@]}"
fi
work=$build/bench/scale
mkdir -p "$work"
load_before=$(cut -d' ' -f1-3 /proc/loadavg)

export VELT_WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
. "$here/tools/wine-session.sh"
velt_wine_session
drive=$WINEPREFIX/drive_c/velt-bench
mkdir -p "$drive"
run() { "$here/tools/wine-run.sh" "$@"; }
now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f", b - a }'; }
# "median min max" of the numbers given.
spread() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.3f %.3f %.3f", m, v[1], v[NR] }'
}
median() { spread "$@" | cut -d' ' -f1; }
# "median (min-max)" for the table.
shown() { spread "$@" | awk '{ printf "%6.2f (%.2f-%.2f)", $1, $2, $3 }'; }

# Results by side: space-separated values in turn.
declare -A result

# Setup through its windows: the outside time, the longest answer and the
# worker's extraction time go to <side>, <side>-answer and <side>-worker.
run_setup() {
  local side=$1 exe=$2 target=$3 line
  rm -rf "$drive/$target"; sync
  line=$(run "$build/bin/setup_timing.exe" "$exe" "C:\\velt-bench\\$target" 2>/dev/null | tr -d '\r' | tail -n1)
  read -r outside answer _ worker <<<"$line"
  result[$side]+=" $outside"; result[$side-answer]+=" $answer"; result[$side-worker]+=" $worker"
}
# The bound: raw_extract <mode> [--ahead] <zip> <target>.
run_bound() {
  local side=$1 zip=$2 target=$3 mode=$4 ahead=${5:-}
  rm -rf "$drive/$target"; sync
  result[$side]+=" $(run "$build/bin/raw_extract.exe" --write "$mode" $ahead "$zip" "C:\\velt-bench\\$target" | tr -d '\r' | cut -d' ' -f1)"
}
run_nsis() {
  local side=$1 exe=$2 target=$3 start
  rm -rf "$drive/$target"; sync
  start=$(now); run "$exe" /S >/dev/null 2>&1 || true
  result[$side]+=" $(since "$start")"
}
# Runs the sides given, `runs` rounds, round r starting with side r.
in_turn() {
  local sides=("$@") n=$# i j
  for i in $(seq 0 $((runs - 1))); do
    for j in $(seq 0 $((n - 1))); do
      "side_${sides[$(((i + j) % n))]}"
    done
  done
}
# Same files: contents (Setup's manifest aside) and the files' times.
same_files() {
  diff -rq --exclude=VELTInstall.lst "$1" "$2" >/dev/null 2>&1 || { echo no; return; }
  cmp -s <(cd "$1" && find . -type f ! -name VELTInstall.lst -printf '%P %T@\n' | sort) \
         <(cd "$2" && find . -type f -printf '%P %T@\n' | sort) && echo yes || echo "contents only"
}

# The NSIS installer of the same files, unpacked from the same archive.
zip=$build/payload/test/fault.zip
if [ ! -f "$work/fault-nsis.exe" ] || [ "$zip" -nt "$work/fault-nsis.exe" ]; then
  rm -rf "$work/fault"
  /usr/bin/python3 "$here/bench/unpack.py" "$zip" "$work/fault"
  cat > "$work/fault.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor zlib
Name "velt-bench-fault"
OutFile "$work/fault-nsis.exe"
InstallDir "C:\\velt-bench\\nsis-fault"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$work/fault/*"
SectionEnd
NSI
  makensis -V1 "$work/fault.nsi"
fi
cat > "$work/empty.nsi" <<NSI
Unicode true
Target amd64-unicode
SetCompressor zlib
OutFile "$work/empty-nsis.exe"
InstallDir "C:\\velt-bench\\empty"
RequestExecutionLevel user
SilentInstall silent
Section
SectionEnd
NSI
makensis -V1 "$work/empty.nsi"

modes="whole 16384 65536 262144 1048576"
side_setup() { run_setup setup "$build/bin/SetupFaultTest.exe" setup-fault; }
side_nsis() { run_nsis nsis "$work/fault-nsis.exe" nsis-fault; run_nsis empty "$work/empty-nsis.exe" empty; }
for mode in $modes; do
  eval "side_bound_$mode() { run_bound bound-$mode \"\$zip\" raw-fault $mode; }"
done
side_ahead_whole() { run_bound ahead-whole "$zip" raw-fault whole --ahead; }
side_ahead_16384() { run_bound ahead-16384 "$zip" raw-fault 16384 --ahead; }
side_before() { run_setup before "$BEFORE/bin/SetupFaultTest.exe" setup-before; }
sides=(setup nsis)
[ -n "${BEFORE:-}" ] && sides+=(before)
for mode in $modes; do sides+=("bound_$mode"); done
in_turn "${sides[@]}" ahead_whole ahead_16384

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load before $load_before, now $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GB RAM, $(/usr/lib/wine/wine64 --version), makensis $(makensis -VERSION)"
entries=$(/usr/bin/python3 "$here/bench/unpack.py" "$zip" --count)
mb=$(du -sm --apparent-size "$work/fault" | cut -f1)
echo "large payload: $entries entries, $mb MB; $runs runs of each side in turn; seconds, median (min-max)"
best=; best_side=
for mode in $modes; do
  m=$(median ${result[bound-$mode]})
  if [ -z "$best" ] || awk -v a="$m" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$m; best_side=$mode; fi
done
printf '  %-52s %s\n' "Setup's worker, extraction (its own clock)" "$(shown ${result[setup-worker]})"
printf '  %-52s %s\n' "Setup from outside (Page4 \"nextbtn\" to finish page)" "$(shown ${result[setup]})"
if [ -n "${BEFORE:-}" ]; then
  printf '  %-52s %s\n' "before: the worker, extraction" "$(shown ${result[before-worker]})"
  printf '  %-52s %s\n' "before: from outside" "$(shown ${result[before]})"
  echo "  (before: $BEFORE)"
fi
printf '  %-52s %s\n' "NSIS /S (whole run, with its start-up)" "$(shown ${result[nsis]})"
printf '  %-52s %s\n' "an empty NSIS installer /S (its start-up)" "$(shown ${result[empty]})"
for mode in $modes; do
  printf '  %-52s %s\n' "bound, $( [ "$mode" = whole ] && echo "whole file, one WriteFile" || echo "streaming, $((mode / 1024)) KiB buffer")" "$(shown ${result[bound-$mode]})"
done
printf '  %-52s %s\n' "bound, whole file, second thread inflating ahead" "$(shown ${result[ahead-whole]})"
printf '  %-52s %s\n' "bound, 16 KiB, second thread inflating ahead" "$(shown ${result[ahead-16384]})"
awk -v w="$(median ${result[setup-worker]})" -v o="$(median ${result[setup]})" -v n="$(median ${result[nsis]})" \
    -v e="$(median ${result[empty]})" -v b="$best" -v bs="$best_side" 'BEGIN {
  printf "  the bound: %.2f s (%s); worker/bound %.2f (goal <= 1.1); outside/bound %.2f\n", b, bs, w / b, o / b
  printf "  Setup from outside/NSIS %.2f, without NSIS'"'"'s start-up %.2f\n", o / n, o / (n - e) }'
echo "  longest answer of the interface thread, ms: $(spread ${result[setup-answer]} | awk '{ printf "median %.1f, max %.1f (goal <= 50)", $1, $3 }')"
echo "  same files, bound and Setup: $(same_files "$drive/setup-fault" "$drive/raw-fault"); bound and NSIS (contents): $(diff -rq "$drive/nsis-fault" "$drive/raw-fault" >/dev/null 2>&1 && echo yes || echo no)"

echo
printf '%-12s %7s %22s %22s %22s %7s %9s %9s\n' program entries worker_s outside_s bound_s w/bound w_ms/entry b_ms/entry
for n in $counts; do
  szip=$build/payload/test/scale-$n.zip
  eval "side_s$n() { run_setup s$n \"$build/bin/SetupScale${n}Test.exe\" setup-scale; }"
  eval "side_bw$n() { run_bound bw$n \"$szip\" raw-scale whole; }"
  eval "side_bs$n() { run_bound bs$n \"$szip\" raw-scale 16384; }"
  in_turn "s$n" "bw$n" "bs$n"
  e=$(/usr/bin/python3 "$here/bench/unpack.py" "$szip" --count)
  bw=$(median ${result[bw$n]}); bs=$(median ${result[bs$n]})
  bound=${result[bw$n]}
  awk -v a="$bs" -v b="$bw" 'BEGIN { exit !(a < b) }' && bound=${result[bs$n]}
  w=$(median ${result[s$n-worker]}); b=$(median $bound)
  printf '%-12s %7d %22s %22s %22s %7.2f %9.3f %9.3f\n' "scale-$n" "$e" "$(shown ${result[s$n-worker]})" \
    "$(shown ${result[s$n]})" "$(shown $bound)" "$(awk -v w="$w" -v b="$b" 'BEGIN { print w / b }')" \
    "$(awk -v w="$w" -v e="$e" 'BEGIN { print w * 1000 / e }')" "$(awk -v b="$b" -v e="$e" 'BEGIN { print b * 1000 / e }')"
  rm -rf "$drive/setup-scale" "$drive/raw-scale"
done
echo "(bound: the better of whole-file and 16 KiB streaming writes; longest answers, ms: $(for n in $counts; do spread ${result[s$n-answer]} | cut -d' ' -f3; done | tr '\n' ' '))"

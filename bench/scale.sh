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
# Three parts, each of RUNS rounds in which every side runs once, the sides
# taking turns (round r starts with side r); every run starts from an empty
# target after `sync`:
#   1. the ways of writing of the bound (and the second thread), on the large
#      payload; the way with the lowest median is the bound from then on;
#   2. Setup, the bound and NSIS on the large payload;
#   3. Setup and the bound on each scale payload.
# Printed: median (min-max) of each side, and Setup's worker against the
# bound both as the ratio of the medians and as the median (min-max) of the
# ratios within a round (a round's sides ran back to back, under the same
# load from elsewhere).
#
# WAIT_LOAD=<load>: before every round, wait until the 1-minute load average
# is below it (at most WAIT_MAX seconds, default 4 hours; then the round runs
# anyway and says so); the highest load a round started at is printed.
# BEFORE=<another build tree inside build/> adds that tree's SetupFaultTest
# as one more side of part 2 (an older commit's, to show what a change
# bought). COUNTS overrides the scale payloads' sizes ("" for none).
# Work files: BUILD_DIR/bench/scale and the prefix's C:\velt-bench.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_it=1
if [ "${1:-}" = --no-build ]; then build_it=; shift; fi
build=$(cd "${1:-$here/build/win64}" && pwd)
runs=${RUNS:-5}
counts=${COUNTS-"1000 2000 5000 10000"}
if [ -n "$build_it" ]; then
  targets=(SetupFaultTest setup_timing raw_extract)
  for n in $counts; do targets+=("SetupScale${n}Test"); done
  cmake --build "$build" --target "${targets[@]}"
fi
work=$build/bench/scale
mkdir -p "$work"

. "$here/bench/session.sh"
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
# Quotients a_i / b_i of two lists of the same length.
ratios() {
  local a=($1) b=($2) i
  for i in "${!a[@]}"; do awk -v x="${a[$i]}" -v y="${b[$i]}" 'BEGIN { printf "%.3f\n", x / y }'; done
}

# Results by side: space-separated values in turn.
declare -A result
highest_load=0
waited_out=

# Waits for a quiet machine when WAIT_LOAD asks for it; notes the load.
quiet() {
  local deadline load
  deadline=$(($(date +%s) + ${WAIT_MAX:-14400}))
  while [ -n "${WAIT_LOAD:-}" ]; do
    load=$(cut -d' ' -f1 /proc/loadavg)
    awk -v l="$load" -v w="$WAIT_LOAD" 'BEGIN { exit !(l < w) }' && break
    if [ "$(date +%s)" -ge "$deadline" ]; then waited_out=yes; break; fi
    sleep 10
  done
  load=$(cut -d' ' -f1 /proc/loadavg)
  highest_load=$(awk -v l="$load" -v h="$highest_load" 'BEGIN { print (l > h ? l : h) }')
}

# Setup through its windows: the outside time, the longest answer and the
# worker's extraction time go to <side>, <side>-answer and <side>-worker.
run_setup() {
  local side=$1 exe=$2 target=$3 line
  rm -rf "$drive/$target"; sync
  line=$(run "$build/bin/setup_timing.exe" "$exe" "C:\\velt-bench\\$target" 2>/dev/null | tr -d '\r' | tail -n1)
  read -r outside answer _ worker <<<"$line"
  [ -n "$worker" ] || { echo "scale: $exe did not complete the installation" >&2; exit 1; }
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
    quiet
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
# The worker against the bound: ratio of the medians, then of the rounds.
against() {
  local worker=$1 bound=$2
  awk -v w="$(median $worker)" -v b="$(median $bound)" 'BEGIN { printf "%.2f", w / b }'
  spread $(ratios "$worker" "$bound") | awk '{ printf ", in the rounds %.2f (%.2f-%.2f)", $1, $2, $3 }'
}

# The NSIS installer of the same files, unpacked from the same archive.
zip=$build/payload/test/fault.zip
if [ ! -f "$work/fault-nsis.exe" ] || [ "$zip" -nt "$work/fault-nsis.exe" ]; then
  rm -rf "$work/fault"
  /usr/bin/python3 "$here/bench/unpack.py" "$zip" "$work/fault"
  cat > "$work/fault.nsi" <<NSI
Unicode true
Target $nsis_target
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
Target $nsis_target
SetCompressor zlib
OutFile "$work/empty-nsis.exe"
InstallDir "C:\\velt-bench\\empty"
RequestExecutionLevel user
SilentInstall silent
Section
SectionEnd
NSI
makensis -V1 "$work/empty.nsi"

echo
echo "$(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg); $machine"
entries=$(/usr/bin/python3 "$here/bench/unpack.py" "$zip" --count)
mb=$(du -sm --apparent-size "$work/fault" | cut -f1)
echo "large payload: $entries entries, $mb MB; $runs rounds; seconds, median (min-max)"

# 1. The ways of writing of the bound.
modes="whole 16384 65536 262144 1048576"
for mode in $modes; do
  eval "side_bound_$mode() { run_bound bound-$mode \"\$zip\" raw-fault $mode; }"
done
side_ahead_whole() { run_bound ahead-whole "$zip" raw-fault whole --ahead; }
side_ahead_16384() { run_bound ahead-16384 "$zip" raw-fault 16384 --ahead; }
sides=()
for mode in $modes; do sides+=("bound_$mode"); done
in_turn "${sides[@]}" ahead_whole ahead_16384
best=
for mode in $modes; do
  m=$(median ${result[bound-$mode]})
  if [ -z "$best" ] || awk -v a="$m" -v b="$(median ${result[bound-$best]})" 'BEGIN { exit !(a < b) }'; then best=$mode; fi
  printf '  %-52s %s\n' "bound, $( [ "$mode" = whole ] && echo "whole file, one WriteFile" || echo "streaming, $((mode / 1024)) KiB buffer")" "$(shown ${result[bound-$mode]})"
done
printf '  %-52s %s\n' "bound, whole file, second thread inflating ahead" "$(shown ${result[ahead-whole]})"
printf '  %-52s %s\n' "bound, 16 KiB, second thread inflating ahead" "$(shown ${result[ahead-16384]})"
echo "  the bound from here on: $best"

# 2. Setup, the bound and NSIS.
side_setup() { run_setup setup "$build/bin/SetupFaultTest.exe" setup-fault; }
side_before() { run_setup before "$BEFORE/bin/SetupFaultTest.exe" setup-before; }
side_bound() { run_bound bound "$zip" raw-fault "$best"; }
side_nsis() { run_nsis nsis "$work/fault-nsis.exe" nsis-fault; run_nsis empty "$work/empty-nsis.exe" empty; }
sides=(setup bound nsis)
[ -n "${BEFORE:-}" ] && sides+=(before)
in_turn "${sides[@]}"
printf '  %-52s %s\n' "Setup's worker, extraction (its own clock)" "$(shown ${result[setup-worker]})"
printf '  %-52s %s\n' "Setup from outside (Page4 \"nextbtn\" to finish page)" "$(shown ${result[setup]})"
printf '  %-52s %s\n' "the bound ($best)" "$(shown ${result[bound]})"
printf '  %-52s %s\n' "NSIS /S (whole run, with its start-up)" "$(shown ${result[nsis]})"
printf '  %-52s %s\n' "an empty NSIS installer /S (its start-up)" "$(shown ${result[empty]})"
echo "  worker/bound $(against "${result[setup-worker]}" "${result[bound]}") (goal <= 1.1)"
echo "  outside/bound $(against "${result[setup]}" "${result[bound]}")"
echo "  outside/NSIS $(against "${result[setup]}" "${result[nsis]}")"
if [ -n "${BEFORE:-}" ]; then
  printf '  %-52s %s\n' "before: the worker, extraction" "$(shown ${result[before-worker]})"
  printf '  %-52s %s\n' "before: from outside" "$(shown ${result[before]})"
  echo "  before: worker/bound $(against "${result[before-worker]}" "${result[bound]}") ($BEFORE)"
fi
echo "  longest answer of the interface thread, ms: $(spread ${result[setup-answer]} | awk '{ printf "median %.1f, max %.1f (goal <= 50)", $1, $3 }')"
echo "  same files, bound and Setup: $(same_files "$drive/setup-fault" "$drive/raw-fault"); bound and NSIS (contents): $(diff -rq "$drive/nsis-fault" "$drive/raw-fault" >/dev/null 2>&1 && echo yes || echo no)"

# 3. The scale payloads.
if [ -n "$counts" ]; then
  echo
  printf '%-12s %7s %21s %21s %21s %24s %10s %10s\n' program entries worker_s outside_s "bound_s ($best)" "worker/bound (rounds)" w_ms/entry b_ms/entry
fi
for n in $counts; do
  szip=$build/payload/test/scale-$n.zip
  eval "side_s$n() { run_setup s$n \"$build/bin/SetupScale${n}Test.exe\" setup-scale; }"
  eval "side_b$n() { run_bound b$n \"$szip\" raw-scale \"$best\"; }"
  in_turn "s$n" "b$n"
  e=$(/usr/bin/python3 "$here/bench/unpack.py" "$szip" --count)
  w=$(median ${result[s$n-worker]}); b=$(median ${result[b$n]})
  printf '%-12s %7d %21s %21s %21s %24s %10.3f %10.3f\n' "scale-$n" "$e" "$(shown ${result[s$n-worker]})" \
    "$(shown ${result[s$n]})" "$(shown ${result[b$n]})" "$(against "${result[s$n-worker]}" "${result[b$n]}" | sed 's/, in the rounds / /')" \
    "$(awk -v w="$w" -v e="$e" 'BEGIN { print w * 1000 / e }')" "$(awk -v b="$b" -v e="$e" 'BEGIN { print b * 1000 / e }')"
  rm -rf "$drive/setup-scale" "$drive/raw-scale"
done
[ -z "$counts" ] || echo "(longest answers, ms: $(for n in $counts; do spread ${result[s$n-answer]} | cut -d' ' -f3; done | tr '\n' ' '))"
echo
echo "highest load at the start of a round: $highest_load${WAIT_LOAD:+ (rounds waited for a load below $WAIT_LOAD${waited_out:+, some waited out WAIT_MAX})}; load now $(cut -d' ' -f1-3 /proc/loadavg)"

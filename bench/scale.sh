#!/usr/bin/env bash
# The installation at scale (not a test): the real Setup with the fault
# suite's large payload (SetupFaultTest.exe: 3116 entries, about 220 MB)
# against the NSIS installer of the same files and against the physical
# bound (raw_extract.exe: inflate the same archive and write the files raw),
# the interface thread's longest answer during that installation, and the
# time per entry of Setup with 1,000 to 10,000 more entries
# (SetupScale<N>Test.exe: the payload and N files of 8 KiB).
#
#   bash bench/scale.sh [--no-build] [BUILD_DIR]    (default build/win64; RUNS=3)
#
# Setup is timed by setup_timing.exe from the click on Page4's "nextbtn" to
# the finish page (the installation proper: record, files, manifest,
# shortcuts, autostart value); NSIS from its start to its end (/S); the
# bound inside raw_extract from the archive in memory to the last file. Each
# run starts from an empty target, after `sync`; the sides take turns. The
# medians are printed with the ratios. Work files: BUILD_DIR/bench/scale and
# the prefix's C:\velt-bench.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build_it=1
if [ "${1:-}" = --no-build ]; then build_it=; shift; fi
build=$(cd "${1:-$here/build/win64}" && pwd)
runs=${RUNS:-3}
counts="1000 2000 5000 10000"
if [ -n "$build_it" ]; then
  targets=(SetupFaultTest setup_timing raw_extract)
  for n in $counts; do targets+=("SetupScale${n}Test"); done
  cmake --build "$build" --target "${targets[@]}"
fi
work=$build/bench/scale
mkdir -p "$work"

export VELT_WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
. "$here/tools/wine-session.sh"
velt_wine_session
drive=$WINEPREFIX/drive_c/velt-bench
mkdir -p "$drive"
run() { "$here/tools/wine-run.sh" "$@"; }
now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

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

ours=(); answers=(); theirs=(); raw=(); startup=()
run_ours() {
  local line
  line=$(run "$build/bin/setup_timing.exe" "$build/bin/SetupFaultTest.exe" 'C:\velt-bench\setup-fault' 2>/dev/null | tr -d '\r' | tail -n1)
  ours+=("$(echo "$line" | cut -d' ' -f1)"); answers+=("$(echo "$line" | cut -d' ' -f2)")
  rm -rf "$drive/setup-fault"; sync
}
run_nsis() {
  rm -rf "$drive/nsis-fault"; sync
  local start end
  start=$(now); run "$work/fault-nsis.exe" /S >/dev/null 2>&1 || true; end=$(now)
  theirs+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
}
run_raw() {
  rm -rf "$drive/raw-fault"; sync
  raw+=("$(run "$build/bin/raw_extract.exe" "$zip" 'C:\velt-bench\raw-fault' | tr -d '\r' | cut -d' ' -f1)")
}
for i in $(seq "$runs"); do
  case $((i % 3)) in
    1) run_ours; run_nsis; run_raw ;;
    2) run_nsis; run_raw; run_ours ;;
    0) run_raw; run_ours; run_nsis ;;
  esac
  start=$(now); run "$work/empty-nsis.exe" /S >/dev/null 2>&1 || true; end=$(now)
  startup+=("$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')")
done
same=no
diff -rq "$drive/nsis-fault" "$drive/raw-fault" >/dev/null 2>&1 && same=yes

echo
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GB RAM, $(/usr/lib/wine/wine64 --version), makensis $(makensis -VERSION)"
entries=$(/usr/bin/python3 "$here/bench/unpack.py" "$zip" --count)
mb=$(du -sm --apparent-size "$work/fault" | cut -f1)
mo=$(median "${ours[@]}"); mn=$(median "${theirs[@]}"); mr=$(median "${raw[@]}"); ms=$(median "${startup[@]}")
longest=$(printf '%s\n' "${answers[@]}" | sort -n | tail -n1)
awk -v e="$entries" -v mb="$mb" -v o="$mo" -v t="$mn" -v r="$mr" -v s="$ms" -v l="$longest" -v n="$runs" -v same="$same" 'BEGIN {
  printf "large payload: %d entries, %d MB; medians of %d runs\n", e, mb, n
  printf "  Setup (Page4 next to finish page)  %7.2f s\n", o
  printf "  NSIS /S (whole run)                %7.2f s   (an empty NSIS installer: %.2f s)\n", t, s
  printf "  physical bound (inflate + write)   %7.2f s   (same files as NSIS: %s)\n", r, same
  printf "  ours/NSIS %.2f (goal <= 0.8), ours/NSIS without its start-up %.2f, ours/bound %.2f (goal <= 1.25)\n", o / t, o / (t - s), o / r
  printf "  longest answer of the interface thread: %.1f ms (goal <= 50)\n", l }'

echo
printf '%-12s %8s %10s %14s %10s %14s\n' program entries setup_s setup_ms/entry raw_s raw_ms/entry
for n in $counts; do
  s=(); r=()
  szip=$build/payload/test/scale-$n.zip
  for i in $(seq "$runs"); do
    line=$(run "$build/bin/setup_timing.exe" "$build/bin/SetupScale${n}Test.exe" 'C:\velt-bench\setup-scale' 2>/dev/null | tr -d '\r' | tail -n1)
    s+=("$(echo "$line" | cut -d' ' -f1)")
    rm -rf "$drive/setup-scale" "$drive/raw-scale"; sync
    r+=("$(run "$build/bin/raw_extract.exe" "$szip" 'C:\velt-bench\raw-scale' | tr -d '\r' | cut -d' ' -f1)")
    rm -rf "$drive/raw-scale"; sync
  done
  e=$(/usr/bin/python3 "$here/bench/unpack.py" "$szip" --count)
  awk -v n="scale-$n" -v e="$e" -v s="$(median "${s[@]}")" -v r="$(median "${r[@]}")" 'BEGIN {
    printf "%-12s %8d %10.2f %14.3f %10.2f %14.3f\n", n, e, s, s * 1000 / e, r, r * 1000 / e }'
done

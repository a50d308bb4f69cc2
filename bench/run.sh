#!/usr/bin/env bash
# The extraction benchmark (not a test): the payload tool against an NSIS
# installer of the same bitness (Unicode, zlib, silent: bench/session.sh)
# installing the same files into the same Wine prefix, run in turn.
#
#   bash bench/run.sh [BUILD_DIR]        (default build/win64; it must lie in
#                                         build/, which Wine programs reach as Y:)
#
# Needs payload_tool.exe in BUILD_DIR/bin. Archives: the payload
# (BUILD_DIR/payload/payload.zip, or while it does not exist a stand-in packed
# by tools/pack_payload.py from the same entry list with this build's test
# programs in place of the four programs), archives of 500 to 4000 small
# entries, and a large one of 3000 entries and about 300 MB. Each is
# extracted RUNS times (default 3) by each side; the median is printed with
# the ratio ours/NSIS and the time per entry. Work files go to
# BUILD_DIR/bench and the prefix's C:\velt-bench, both kept for reuse.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/win64}" && pwd)
runs=${RUNS:-3}
tool=$build/bin/payload_tool.exe
[ -f "$tool" ] || { echo "bench: no $tool (build payload_tool first)" >&2; exit 2; }
work=$build/bench
mkdir -p "$work"

. "$here/bench/session.sh"

# The payload, or a stand-in of the same form.
payload=$build/payload/payload.zip
payload_name=payload
if [ ! -f "$payload" ]; then
  payload_name=payload-standin
  payload=$work/payload-standin.zip
  if [ ! -f "$payload" ]; then
    stand=$build/bin/archive_tests.exe
    [ -f "$stand" ] || stand=$tool
    head -c 400000 /dev/urandom > "$work/standin.DAT"
    /usr/bin/python3 "$here/tools/pack_payload.py" --entries "$here/app/payload_entries.txt" \
      --set APP="$stand" --set DUILIB="$tool" --set UNINSTALL_SKIN="$work/standin.DAT" \
      --set UNINSTALL="$tool" --set RES="$here/app/res" --output "$payload"
  fi
fi
[ "$payload" = "$work/$payload_name.zip" ] || cp -f "$payload" "$work/$payload_name.zip"
rm -rf "$work/$payload_name"
/usr/bin/python3 "$here/bench/unpack.py" "$work/$payload_name.zip" "$work/$payload_name"

/usr/bin/python3 "$here/bench/make_archives.py" "$work"

# One NSIS installer per archive, from the unpacked files.
make_installer() {
  local name=$1 exe=$work/$1-nsis.exe
  if [ -f "$exe" ] && [ "$exe" -nt "$work/$name.zip" ]; then return; fi
  cat > "$work/$name.nsi" <<NSI
Unicode true
Target $nsis_target
SetCompressor zlib
Name "velt-bench-$name"
OutFile "$exe"
InstallDir "C:\\velt-bench\\nsis-$name"
RequestExecutionLevel user
SilentInstall silent
Section
  SetOutPath "\$INSTDIR"
  File /r "$work/$name/*"
SectionEnd
NSI
  makensis -V1 "$work/$name.nsi"
}

now() { date +%s.%N; }
# Seconds one command takes (its output is dropped).
timed() {
  local start end
  start=$(now)
  "$@" >/dev/null 2>&1 || true
  end=$(now)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }'
}
median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

names="$payload_name scale-500 scale-1000 scale-2000 scale-4000 large"
for name in $names; do make_installer "$name"; done

# Start-up of each side alone: the tool's usage message, an empty installer.
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
s1=(); s2=()
for i in $(seq "$runs"); do
  s1+=("$(timed "$here/tools/wine-run.sh" "$tool")")
  s2+=("$(timed "$here/tools/wine-run.sh" "$work/empty-nsis.exe" /S)")
done

echo
echo "machine: $machine"
echo "start-up alone (median of $runs): payload_tool $(median "${s1[@]}") s, empty NSIS installer $(median "${s2[@]}") s"
printf '%-16s %8s %9s %10s %10s %8s %14s %14s %s\n' archive entries MB ours_s nsis_s ratio ours_ms/entry nsis_ms/entry same_files
for name in $names; do
  zip=$work/$name.zip
  entries=$(/usr/bin/python3 "$here/bench/unpack.py" "$zip" --count)
  mb=$(du -sm --apparent-size "$work/$name" | cut -f1)
  ours=(); theirs=()
  # Each run starts from an empty target with the deletions written out, and
  # the two sides take turns at going first.
  run_ours() {
    rm -rf "$drive/ours-$name"; sync
    ours+=("$(timed "$here/tools/wine-run.sh" "$tool" --archive "$zip" extract "C:\\velt-bench\\ours-$name")")
  }
  run_nsis() {
    rm -rf "$drive/nsis-$name"; sync
    theirs+=("$(timed "$here/tools/wine-run.sh" "$work/$name-nsis.exe" /S)")
  }
  for i in $(seq "$runs"); do
    if [ $((i % 2)) = 1 ]; then run_ours; run_nsis; else run_nsis; run_ours; fi
  done
  same=no
  diff -rq "$drive/ours-$name" "$drive/nsis-$name" >/dev/null 2>&1 && same=yes
  mo=$(median "${ours[@]}"); mn=$(median "${theirs[@]}")
  awk -v n="$name" -v e="$entries" -v mb="$mb" -v o="$mo" -v t="$mn" -v s="$same" 'BEGIN {
    printf "%-16s %8d %9d %10.2f %10.2f %8.2f %14.3f %14.3f %s\n", n, e, mb, o, t, o / t, o * 1000 / e, t * 1000 / e, s }'
done

# Setup itself, through its windows (setup_timing.exe): from the click on
# Page4's "nextbtn" to the finish page, against the NSIS installer of the same
# files, the sides taking turns; and the interface thread's longest answer
# during the installation (asked every 20 ms).
timing=$build/bin/setup_timing.exe
if [ -f "$timing" ] && [ -f "$build/bin/Setup.exe" ]; then
  setup_runs=${SETUP_RUNS:-5}
  ours=(); theirs=(); answers=()
  run_setup() {
    local line
    line=$("$here/tools/wine-run.sh" "$timing" "$build/bin/Setup.exe" 'C:\velt-bench\setup-ours' 2>/dev/null | tr -d '\r' | tail -n1)
    ours+=("$(echo "$line" | cut -d' ' -f1)")
    answers+=("$(echo "$line" | cut -d' ' -f2)")
  }
  run_setup_nsis() {
    rm -rf "$drive/nsis-$payload_name"; sync
    theirs+=("$(timed "$here/tools/wine-run.sh" "$work/$payload_name-nsis.exe" /S)")
  }
  for i in $(seq "$setup_runs"); do
    if [ $((i % 2)) = 1 ]; then run_setup; run_setup_nsis; else run_setup_nsis; run_setup; fi
  done
  same=no
  diff -rq --exclude=VELTInstall.lst "$drive/setup-ours" "$drive/nsis-$payload_name" >/dev/null 2>&1 && same=yes
  longest=$(printf '%s\n' "${answers[@]}" | sort -n | tail -n1)
  mo=$(median "${ours[@]}"); mn=$(median "${theirs[@]}")
  echo
  awk -v o="$mo" -v t="$mn" -v l="$longest" -v r="$setup_runs" -v s="$same" 'BEGIN {
    printf "Setup through its windows (median of %d): %.2f s, NSIS /S %.2f s, ratio %.2f; longest answer of the interface thread %.1f ms; same files %s\n", r, o, t, o / t, l, s }'
fi

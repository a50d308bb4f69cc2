#!/usr/bin/env bash
# The fault suite: builds Setup's fault program and the runner, maps a small
# drive (a tmpfs of 8 MB) and a read-only drive into the Wine prefix for the
# time of the run, runs the runner of tests/faults (fault_runner.exe) and
# prints its table.
#
#   bash tools/faults.sh [--quick] [--no-build] [--no-session] [--write-doc] [NAME-PART ...]
#
# --quick       the quick subset, with SetupLargeTest.exe as the large Setup
#               (the test command's fault_suite_quick runs this);
# --no-build    use what is built (refused when SetupFaultTest is older than Setup.exe);
# --no-session  run in the Wine session of the caller (tools/test.sh's);
# --write-doc   put the table, the date and the machine into
#               docs/reliability.md (between its fault-table markers);
# NAME-PART     only the cases whose name contains it.
# The build and the Wine come from VELT_WINE_ARCH (tools/wine-env.sh): the
# x86_64 build (build/win64) under 64-bit Wine by default; i686 runs the
# shipped build (build/win32) under 32-bit Wine in its 64-bit prefix.
# The drives need root (mount); without it the cases that need them are
# skipped and say so. Drive F: is the small drive, G: the read-only one;
# both links are removed again when the script ends, whatever happens.
# Exit status: the runner's (0 when every case passed).
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
quick= build=1 session=1 write_doc= args=()
for arg in "$@"; do
  case "$arg" in
    --quick) quick=--quick ;;
    --no-build) build= ;;
    --no-session) session= ;;
    --write-doc) write_doc=1 ;;
    -*) echo "faults: unknown option $arg" >&2; exit 2 ;;
    *) args+=("$arg") ;;
  esac
done

case ${VELT_WINE_ARCH:-x86_64} in
  x86_64) build_dir=build/win64 preset=win64 ;;
  *) build_dir=build/win32 preset=win32 ;;
esac
if [ -n "$build" ]; then
  tools/build.sh
  export CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2}
  targets=(fault_runner)
  [ -n "$quick" ] || targets+=(SetupFaultTest)
  cmake --build "$build_dir" --target "${targets[@]}"
elif [ -z "$quick" ] && [ -f "$build_dir/bin/SetupFaultTest.exe" ] &&
     [ "$build_dir/bin/Setup.exe" -nt "$build_dir/bin/SetupFaultTest.exe" ]; then
  # Only the full suite builds SetupFaultTest: an older one would test an
  # older product.
  echo "faults: $build_dir/bin/SetupFaultTest.exe is older than Setup.exe; run without --no-build" >&2
  exit 2
fi

. tools/wine-env.sh
# A folder of its own for each prefix: suites that run at the same time in
# other prefixes (the test command's quick one among them) mount, link and
# unmount their own drives and write their own tables.
work=$velt_build_root/faults/${WINEPREFIX##*/}
small=$work/small readonly_src=$work/readonly-source readonly=$work/readonly
small_link=$WINEPREFIX/dosdevices/f: readonly_link=$WINEPREFIX/dosdevices/g:
mounted=()

cleanup() {
  rm -f "$small_link" "$readonly_link"
  local m
  for m in "${mounted[@]}"; do umount "$m" 2>/dev/null || umount -l "$m" 2>/dev/null || true; done
  if [ -n "$session" ]; then velt_end_wine_session; fi
}
if [ -n "$session" ]; then
  . tools/wine-session.sh
  velt_wine_session
fi
trap cleanup EXIT

drives=()
mkdir -p "$small" "$readonly_src" "$readonly"
if mountpoint -q "$small" || mount -t tmpfs -o size=8m,mode=0755 velt-faults "$small" 2>/dev/null; then
  mountpoint -q "$small" && mounted+=("$small")
  ln -sfn "$(realpath --relative-to="$WINEPREFIX/dosdevices" "$small")" "$small_link"
  drives+=(--small-drive F:)
else
  echo "faults: cannot mount a tmpfs here (not root?); the full-disk cases are skipped"
fi
# The read-only drive: a folder "parent" with an existing folder of the
# user's, mounted read-only over itself.
mkdir -p "$readonly_src/parent/mine"
printf 'dear user' > "$readonly_src/parent/mine/letter.txt"
printf "someone else's library" > "$readonly_src/parent/mine/DuiLibu.dll"
if mountpoint -q "$readonly" || { mount --bind "$readonly_src" "$readonly" 2>/dev/null &&
     mount -o remount,bind,ro "$readonly" 2>/dev/null; }; then
  mountpoint -q "$readonly" && mounted+=("$readonly")
  if ! touch "$readonly/parent/probe" 2>/dev/null; then
    ln -sfn "$(realpath --relative-to="$WINEPREFIX/dosdevices" "$readonly")" "$readonly_link"
    drives+=(--readonly-drive G:)
  else
    rm -f "$readonly/parent/probe"
    echo "faults: the read-only mount accepts writes; the read-only-drive cases are skipped"
  fi
else
  echo "faults: cannot mount a read-only folder here (not root?); the read-only-drive cases are skipped"
fi

table=$work/table.md
status=0
tools/wine-run.sh "$velt_build_root/${build_dir#build/}/bin/fault_runner.exe" $quick "${drives[@]}" --table "$table" \
  "${args[@]}" || status=$?

if [ -n "$write_doc" ] && [ -f "$table" ]; then
  machine="$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GB RAM, $(. /etc/os-release && echo "$PRETTY_NAME"), $("$velt_wine_loader" --version), the $preset build"
  mode=full; [ -n "$quick" ] && mode=quick
  /usr/bin/python3 - "$here/docs/reliability.md" "$table" "$(date -u '+%Y-%m-%d %H:%M UTC')" "$machine" "$mode" "$status" <<'PY'
import sys
doc, table, date, machine, mode, status = sys.argv[1:]
text = open(doc, encoding="utf-8").read()
begin, end = "<!-- fault-table:begin -->", "<!-- fault-table:end -->"
head, rest = text.split(begin, 1)
_, tail = rest.split(end, 1)
verdict = "every case passed" if status == "0" else "some cases failed (exit status %s)" % status
body = "\nRun of %s (%s suite, %s) on %s.\n\n%s\n" % (date, mode, verdict, machine, open(table, encoding="utf-8").read().strip())
open(doc, "w", encoding="utf-8").write(head + begin + body + "\n" + end + tail)
PY
  echo "faults: table written to docs/reliability.md"
fi
exit $status

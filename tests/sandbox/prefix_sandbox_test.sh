#!/usr/bin/env bash
# Checks that the project's Wine prefix is a sandbox (tools/wine-prefix.sh):
#   - no link in the prefix leads out of it, except the build drive's, which
#     leads to the checkout's build/ folder exactly;
#   - the drives Windows programs see are C: (the prefix's drive_c) and the
#     build drive, nothing else;
#   - every shell folder the programs see (desktops, documents, application
#     data, menus, temporary folder, ...) lies inside the prefix's drive_c,
#     links followed; also one that Wine recreates while a program asks for it
#     (the user's Templates folder, moved aside for the time of the test);
#   - winemenubuilder, which writes into the home folder, cannot start.
# Usage: prefix_sandbox_test.sh <sandbox_probe.exe>   (in a Wine session:
# tools/wine-session.sh). Prints each violation; exit status 1 when there is one.
set -uo pipefail
probe=$1
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
. "$root/tools/wine-env.sh"
prefix=$(cd "$WINEPREFIX" && pwd -P)
drive=${velt_build_drive^^}
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
inside() { [ "${1#"$2"/}" != "$1" ]; }   # <path> lies below <folder>

# Links of the prefix itself.
while IFS= read -r -d '' link; do
  target=$(realpath -m -- "$link")
  if [ "$link" = "$WINEPREFIX/dosdevices/$velt_build_drive:" ]; then
    [ "$target" = "$velt_build_root" ] || fail "$link leads to $target, not to $velt_build_root"
  elif ! inside "$target" "$prefix"; then
    fail "$link leads out of the prefix, to $target"
  fi
done < <(find "$WINEPREFIX" -type l -print0)
[ -L "$WINEPREFIX/dosdevices/$velt_build_drive:" ] || fail "no build drive $drive: in $WINEPREFIX/dosdevices"

# The probe's view: drives, then shell folders. Checks one report; $1 is the
# probe's output, $2 says which run.
check_report() {
  local kind name path resolved seen_drives=
  while IFS=$'\t' read -r kind name path; do
    case "$kind" in
      drive)
        seen_drives+="$name "
        resolved=$(realpath -m -- "$path")
        case "$name" in
          C:) [ "$resolved" = "$prefix/drive_c" ] || fail "$2: C: is $resolved, not the prefix's drive_c" ;;
          "$drive:") [ "$resolved" = "$velt_build_root" ] || fail "$2: $drive: is $resolved, not $velt_build_root" ;;
          *) fail "$2: drive $name leads to $resolved" ;;
        esac ;;
      folder)
        if [ "$path" = error ]; then fail "$2: $name has no Unix path"; continue; fi
        if ! resolved=$(realpath -e -- "$path"); then fail "$2: $name ($path) does not exist"; continue; fi
        inside "$resolved" "$prefix/drive_c" || fail "$2: $name lies outside the prefix, at $resolved" ;;
      menubuilder)
        [ "$name" = blocked ] || fail "$2: winemenubuilder can start" ;;
      *) fail "$2: unexpected probe line: $kind $name $path" ;;
    esac
  done <<< "$1"
  [ "$seen_drives" = "C: $drive: " ] || fail "$2: drives are ${seen_drives:-none}, not C: and $drive:"
}

report=$("$root/tools/wine-run.sh" "$probe") || fail "the probe failed (exit $?)"
check_report "$report" "first run"

# A shell folder that Wine creates anew while a program asks for it.
templates=$(awk -F'\t' '$1 == "folder" && $2 == "CSIDL_TEMPLATES" { print $3 }' <<< "$report")
if [ -n "$templates" ] && [ -d "$templates" ] && [ ! -L "$templates" ]; then
  aside=$templates.velt-sandbox-test
  mv -- "$templates" "$aside"
  trap 'rm -f -- "$templates" 2>/dev/null; rmdir -- "$templates" 2>/dev/null; mv -- "$aside" "$templates"' EXIT
  report=$("$root/tools/wine-run.sh" "$probe") || fail "the probe failed on the second run (exit $?)"
  check_report "$report" "recreated Templates"
  [ -d "$templates" ] && [ ! -L "$templates" ] || fail "Wine recreated $templates as a link, not a folder"
else
  fail "no plain CSIDL_TEMPLATES folder to recreate (${templates:-not reported})"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures violation(s) of the prefix sandbox"
  exit 1
fi
echo "the prefix $WINEPREFIX is a sandbox: links, drives and shell folders stay inside it, $drive: is $velt_build_root"

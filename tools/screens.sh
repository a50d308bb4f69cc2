#!/usr/bin/env bash
# Regenerates docs/screens/*.png under 64-bit Wine (on $DISPLAY, or on a
# virtual display of its own). The pictures are never edited by hand: change
# the skin or the programs, then run this.
#   uninstall-*.png   Uninstall's three screens as the window library draws
#                     them from the built Uninstall.DAT (screenshot_tool):
#                     confirmation, progress (bar at 316 of 474), completion
#   setup-*.png       every screen of the real Setup.exe of both modes, taken
#                     by the walk-through of the main job (tools/walkthrough):
#                     a fresh installation, the calendar it starts, a repair
#                     and a removal; the screens a walk-through passes too
#                     quickly (the progress pages) are drawn by screenshot_tool
#                     from VELTSetupDate.DAT with the bar half way.
#   *-144.png, *-192.png  the same screens at display scalings of 144 and 192
#                     DPI; the calendar's photographed from the X server.
#
# Usage: tools/screens.sh [build-dir]   (default build/win64, configured with
#        the win64 preset when it is not yet; it must lie in build/, the only
#        folder outside the Wine prefix that Windows programs reach)
# The tool writes the pictures to <build-dir>/screens; they are copied from there.
# Exit status: 0 when every picture was written.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
build=${1:-build/win64}
build=$(cd "$(dirname "$build")" && pwd)/$(basename "$build")

if [ ! -f "$build/CMakeCache.txt" ]; then
  if [ "$build" = "$here/build/win64" ]; then
    cmake --preset win64
  else
    echo "screens: $build is not a configured build tree" >&2
    exit 1
  fi
fi
case "$build/" in
  "$here/build/"*) ;;
  *) echo "screens: $build does not lie in $here/build" >&2; exit 1 ;;
esac
cmake --build "$build" -j2 --target screenshot_tool uninstall_skin setup_skin Setup walkthrough velt_app

. tools/wine-session.sh
velt_wine_session

out=$here/docs/screens
shots=$build/screens
mkdir -p "$out" "$shots"
tool=$build/bin/screenshot_tool.exe
skin=$build/bin/Uninstall.DAT

# tools/wine-run.sh passes the paths inside build/ as paths of its drive.
shot() { # <name> <layout> [options...]
  local name=$1 layout=$2
  shift 2
  rm -f "$shots/$name"
  tools/wine-run.sh "$tool" "$skin" "$layout" "$shots/$name" "$@"
  cp "$shots/$name" "$out/$name"
  echo "screens: $out/$name"
}

# The pages sit at 5,31 of the frame, as Uninstall creates them.
shot uninstall-confirm.png Page9Wnd.xml
shot uninstall-progress.png Page9Wnd.xml --page Page10Wnd.xml 5 31 --set progressbar width 316
shot uninstall-finish.png Page9Wnd.xml --page Page11Wnd.xml 5 31

# Setup's progress pages half way, placed where Setup creates them.
skin=$build/bin/VELTSetupDate.DAT
shot setup-installing.png CoverWnd.xml --page Page6Wnd.xml 5 34 --set progressbar width 237
shot setup-repairing.png Page8Wnd.xml --page Page12Wnd.xml 5 34 --set progressbar width 237
shot setup-removing.png Page8Wnd.xml --page Page10Wnd.xml 5 31 --set progressbar width 237

# Every other screen of the real Setup, as the walk-through photographs them.
walk=$shots/walk
rm -rf "$walk"
tools/wine-run.sh "$build/bin/walkthrough.exe" "$build/bin/Setup.exe" "$walk" | tr -d '\r' | grep -v '^  ok'
for picture in "$walk"/*.png; do
  name=setup-$(basename "$picture" | sed 's/^[0-9]*-//')
  case "$name" in setup-installing.png|setup-repairing.png|setup-removing.png) continue ;; esac
  cp "$picture" "$out/$name"
  echo "screens: $out/$name"
done

# Every screen again at the display scalings of 144 and 192 DPI (suffix
# -144, -192), drawn by screenshot_tool from the skin archives at that DPI
# (the programs lay their windows out exactly as the tool does; a 192-DPI
# frame does not fit the 1024x768 virtual display the walk-through
# photographs). Setup's texts that the programs fill in at run time (the
# folder, the free space) are the layouts' own here.
for dpi in 144 192; do
  scaled() { # <name> <layout> [options...]
    local name=$1
    shift
    shot "$name-$dpi.png" "$@" --dpi "$dpi"
  }
  skin=$build/bin/Uninstall.DAT
  scaled uninstall-confirm Page9Wnd.xml
  scaled uninstall-progress Page9Wnd.xml --page Page10Wnd.xml 5 31 --set progressbar width 316
  scaled uninstall-finish Page9Wnd.xml --page Page11Wnd.xml 5 31
  skin=$build/bin/VELTSetupDate.DAT
  scaled setup-first-screen CoverWnd.xml
  scaled setup-welcome CoverWnd.xml --page Page1Wnd.xml 5 34
  scaled setup-licence CoverWnd.xml --page Page2Wnd.xml 5 34
  scaled setup-user CoverWnd.xml --page Page3Wnd.xml 5 34
  scaled setup-location CoverWnd.xml --page Page4Wnd.xml 5 34
  scaled setup-installing CoverWnd.xml --page Page6Wnd.xml 5 34 --set progressbar width 237
  scaled setup-finished CoverWnd.xml --page Page7Wnd.xml 5 34
  scaled setup-maintenance Page8Wnd.xml
  scaled setup-confirm-removal Page8Wnd.xml --page Page9Wnd.xml 5 34
  scaled setup-repairing Page8Wnd.xml --page Page12Wnd.xml 5 34 --set progressbar width 237
  scaled setup-repaired Page8Wnd.xml --page Page13Wnd.xml 5 34
  scaled setup-removing Page8Wnd.xml --page Page10Wnd.xml 5 31 --set progressbar width 237
  scaled setup-removed Page8Wnd.xml --page Page11Wnd.xml 5 32
done

# The calendar at 144 and 192 DPI: the built calendar, started in the prefix
# with the display's LogPixels at that DPI, on a virtual display that holds
# its 760x840 window at 192 (a new session, unless DISPLAY names a display of
# the caller's), photographed from the X server once two captures in a row
# agree. The prefix's LogPixels is put back as it was.
velt_end_wine_session
VELT_XVFB_SCREEN=1600x1200x24 velt_wine_session
desktop='HKCU\Control Panel\Desktop'
old_dpi=$(tools/wine-run.sh reg query "$desktop" /v LogPixels 2>/dev/null | tr -d '\r' |
  sed -n 's/.*LogPixels.*REG_DWORD[[:space:]]*0x\([0-9a-fA-F]*\).*/\1/p') || old_dpi=
restore_dpi() {
  if [ -n "$old_dpi" ]; then
    tools/wine-run.sh reg add "$desktop" /v LogPixels /t REG_DWORD /d $((16#$old_dpi)) /f >/dev/null
  else
    tools/wine-run.sh reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1 || true
  fi
}
calendar=$build/bin/VELT电子日历.exe
for dpi in 144 192; do
  tools/wine-run.sh reg add "$desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  tools/wine-run.sh "$calendar" &
  app=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name 'VELT电子日历' | head -n 1) || true
  name=setup-calendar-$dpi.png
  ok=
  if [ -n "$window" ]; then
    last=
    for _ in $(seq 1 100); do
      import -window "$window" "$shots/$name" 2>/dev/null || break
      now=$(md5sum <"$shots/$name")
      if [ "$now" = "$last" ]; then ok=1; break; fi
      last=$now
      sleep 0.2
    done
  fi
  kill "$app" 2>/dev/null || true
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  wait "$app" 2>/dev/null || true
  /usr/lib/wine/wineserver -p 2>/dev/null || true
  if [ -z "$ok" ]; then
    restore_dpi
    echo "screens: the calendar did not show a settled window at $dpi DPI" >&2
    exit 1
  fi
  cp "$shots/$name" "$out/$name"
  echo "screens: $out/$name"
done
restore_dpi

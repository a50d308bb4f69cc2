#!/usr/bin/env bash
# Regenerates docs/screens/*.png: Uninstall's three screens as the window
# library draws them from the built Uninstall.DAT, taken by screenshot_tool
# under 64-bit Wine (on $DISPLAY, or on a virtual display of its own).
#   uninstall-confirm.png   the confirmation frame
#   uninstall-progress.png  the progress page over the frame, bar at 316 of 474
#   uninstall-finish.png    the completion page over the frame
# The pictures are never edited by hand: change the skin, then run this.
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
cmake --build "$build" -j2 --target screenshot_tool uninstall_skin

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

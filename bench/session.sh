# Sourced by the benchmark scripts after they set `here` (the checkout):
# the project's Wine prefix ($VELT_WINEPREFIX, default build/wineprefix) and
# its session (a display, the Wine server), `drive` = the prefix's
# C:\velt-bench (made), and run <program> <args...> under Wine.
export VELT_WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
. "$here/tools/wine-session.sh"
velt_wine_session
drive=$WINEPREFIX/drive_c/velt-bench
mkdir -p "$drive"
run() { "$here/tools/wine-run.sh" "$@"; }

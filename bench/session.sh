# Sourced by the benchmark scripts after they set `here` (the checkout) and
# `build` (the build tree measured): the Wine of that build and its prefix
# (build/win32, the shipped 32-bit build: 32-bit Wine in a 64-bit prefix,
# measured against NSIS's 32-bit installer; any other: 64-bit Wine and NSIS's
# amd64 one; tools/wine-env.sh), its session (a display, the Wine server),
# `drive` = the prefix's C:\velt-bench (made), `nsis_target` for the NSIS
# scripts, `machine` (a line naming the machine, Wine and makensis) and
# run <program> <args...> under Wine.
if [ "$(basename "$build")" = win32 ]; then
  export VELT_WINE_ARCH=i686
  nsis_target=x86-unicode
else
  export VELT_WINE_ARCH=x86_64
  nsis_target=amd64-unicode
fi
. "$here/tools/wine-session.sh"
velt_wine_session
drive=$WINEPREFIX/drive_c/velt-bench
mkdir -p "$drive"
run() { "$here/tools/wine-run.sh" "$@"; }
machine="$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(free -g | awk '/Mem:/ {print $2}') GB RAM, $(run --version) ($VELT_WINE_ARCH), makensis $(makensis -VERSION), the $(basename "$build") build"

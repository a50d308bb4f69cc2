# Sourced by the scripts that start Wine in the project's prefix: the
# environment every Wine process of that prefix runs in, and the one drive
# through which Windows programs reach files outside the prefix.
#
# Which Wine and which prefix follow from VELT_WINE_ARCH (exported again):
#   x86_64 (default)  64-bit Wine, prefix build/wineprefix: the x86_64 build;
#   i686              32-bit Wine in a 64-bit prefix, build/wineprefix-i686:
#                     the shipped build as most users run it, a 32-bit
#                     program on a 64-bit Windows (WOW64);
#   xp                32-bit Wine in a 32-bit prefix that reports Windows XP,
#                     build/wineprefix-xp: the shipped build on its floor.
# Exports WINEPREFIX ($VELT_WINEPREFIX, default the arch's prefix above),
# WINEARCH, WINEDEBUG and WINEDLLOVERRIDES (callers' values are kept), and
#   HOME             a path inside the prefix that never exists: Wine links a
#                    shell folder it creates (Desktop, Documents, ...) to the
#                    home folder or its XDG folders, and makes a plain folder
#                    when that target does not exist. XDG_CONFIG_HOME and
#                    XDG_DATA_HOME are removed for the same reason.
#   XAUTHORITY       kept pointing at the real home's .Xauthority, so that a
#                    real display still accepts the programs.
# Defines
#   velt_wine_loader the Wine loader of the arch (/usr/lib/wine/wine64 or wine)
#   velt_build_root  the checkout's build/ folder, physical path
#   velt_build_drive its drive letter (lower case): "y"
#   velt_winpath P   sets REPLY to the Windows path of P when P is an absolute
#                    path of or inside velt_build_root (returns 0), else to P
#                    unchanged (returns 1).
#   velt_in_build P  returns 0 when the absolute path P is velt_build_root or
#                    lies inside it.
velt_env_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export VELT_WINE_ARCH=${VELT_WINE_ARCH:-x86_64}
case $VELT_WINE_ARCH in
  x86_64) velt_prefix_name=wineprefix; export WINEARCH=win64; velt_wine_loader=/usr/lib/wine/wine64 ;;
  i686) velt_prefix_name=wineprefix-i686; export WINEARCH=win64; velt_wine_loader=/usr/lib/wine/wine ;;
  xp) velt_prefix_name=wineprefix-xp; export WINEARCH=win32; velt_wine_loader=/usr/lib/wine/wine ;;
  *) echo "wine-env: VELT_WINE_ARCH must be x86_64, i686 or xp, not $VELT_WINE_ARCH" >&2; return 2 2>/dev/null || exit 2 ;;
esac
export WINEPREFIX=${VELT_WINEPREFIX:-$velt_env_root/build/$velt_prefix_name}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}
if [ -z "${XAUTHORITY:-}" ] && [ -n "${HOME:-}" ] && [ -f "$HOME/.Xauthority" ]; then
  export XAUTHORITY=$HOME/.Xauthority
fi
export HOME=$WINEPREFIX/.no-home
unset XDG_CONFIG_HOME XDG_DATA_HOME

velt_build_drive=y
velt_build_logical=$velt_env_root/build
if [ -d "$velt_build_logical" ]; then
  velt_build_root=$(cd "$velt_build_logical" && pwd -P)
else
  velt_build_root=$velt_build_logical
fi

velt_in_build() {
  local p=$1 root
  for root in "$velt_build_root" "$velt_build_logical"; do
    if [ "$p" = "$root" ] || [ "${p#"$root"/}" != "$p" ]; then return 0; fi
  done
  return 1
}

velt_winpath() {
  local p=$1 root rel
  for root in "$velt_build_root" "$velt_build_logical"; do
    if [ "$p" = "$root" ]; then
      REPLY="${velt_build_drive^^}:\\"
      return 0
    fi
    rel=${p#"$root"/}
    if [ "$rel" != "$p" ]; then
      REPLY="${velt_build_drive^^}:\\${rel//\//\\}"
      return 0
    fi
  done
  REPLY=$p
  return 1
}

#!/usr/bin/env bash
# Creates the project's Wine prefix of VELT_WINE_ARCH once (tools/wine-env.sh:
# build/wineprefix for the x86_64 build, build/wineprefix-i686 for the shipped
# build on a 64-bit Windows, build/wineprefix-xp for it on Windows XP):
# Chinese locale (ANSI code page 936) and CJK font substitutes, so that message
# boxes and GDI text show Chinese glyphs. The prefix is a sandbox: what the
# programs under test write or delete stays inside it, apart from the build.
#   - Every shell folder (Desktop, Documents, Music, Pictures, Videos,
#     Downloads, Templates, ...) is a plain folder inside the prefix. Wine
#     would link them to the home folder; it does so only when it creates a
#     missing folder, and tools/wine-env.sh gives it a home that does not
#     exist, so a folder it recreates later is a plain folder as well.
#   - Drives: C: (the prefix's drive_c) and Y: (the checkout's build/ folder,
#     tools/wine-env.sh) only; Wine's Z: for the machine's root is removed.
#   - No serial or parallel port names (COMn, LPTn): Wine links them to the
#     machine's /dev nodes at every start, and deleting such a name deletes
#     the node. Ports COM1..COM255 and LPT1..LPT255 are defined empty, and a
#     folder in dosdevices keeps Wine from linking the 256th.
#   - winemenubuilder is disabled: it writes menu entries and icons for the
#     shortcuts programs create into the home folder.
#   - The user's Quick Launch folder exists, as on Windows from its first
#     log-on (Wine makes it only when a program asks for it to be made).
# The stamp .velt-ready holds the version of this set-up: a prefix with another
# or no version (made by an older script) is deleted and made again. A second
# call with the current version only re-points Y: at this checkout's build/
# folder when it points elsewhere (a moved checkout).
# DISPLAY must name an X display: a prefix first booted without one cannot
# create windows later.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$here/tools/wine-env.sh"
export LC_ALL=zh_CN.UTF-8
stamp=$WINEPREFIX/.velt-ready
version="velt-prefix 4: sandbox, quick launch, $VELT_WINE_ARCH"

# Points dosdevices/y: at the build folder: relative when the prefix lies in
# it, so that the checkout can move.
map_build_drive() {
  local link=$WINEPREFIX/dosdevices/$velt_build_drive: target=$velt_build_root
  mkdir -p "$velt_build_root"
  if velt_in_build "$(cd "$WINEPREFIX" && pwd -P)"; then
    target=$(realpath -m --relative-to="$WINEPREFIX/dosdevices" "$velt_build_root")
  fi
  if [ "$(readlink "$link" 2>/dev/null)" != "$target" ]; then
    rm -f "$link"
    ln -s "$target" "$link"
  fi
}

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ]; then
  map_build_drive
  exit 0
fi
[ -n "${DISPLAY:-}" ] || { echo "wine-prefix: DISPLAY is not set" >&2; exit 1; }

if [ -e "$WINEPREFIX" ]; then
  if [ -e "$WINEPREFIX/system.reg" ] || [ -e "$WINEPREFIX/dosdevices" ] || [ -e "$stamp" ]; then
    echo "wine-prefix: $WINEPREFIX was made by an older set-up; making it again"
    /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  elif [ -n "$(ls -A "$WINEPREFIX")" ]; then
    echo "wine-prefix: $WINEPREFIX is not empty and holds no Wine prefix; left alone" >&2
    exit 1
  fi
fi
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX"
"$velt_wine_loader" wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine-prefix: wineboot failed" >&2; exit 1; }

# Removes every link of dosdevices but C: (Z:, COMn, LPTn), and turns every link
# under drive_c that leads out of the prefix into a plain folder.
close_prefix() {
  local prefix entry target
  prefix=$(cd "$WINEPREFIX" && pwd -P)
  for entry in "$WINEPREFIX"/dosdevices/*; do
    if [ -L "$entry" ] && [ "${entry##*/}" != "c:" ]; then rm -f "$entry"; fi
  done
  while IFS= read -r -d '' entry; do
    target=$(realpath -m -- "$entry")
    case "$target/" in "$prefix"/*) continue ;; esac
    rm -f "$entry"
    mkdir "$entry"
  done < <(find "$WINEPREFIX/drive_c" -type l -print0)
}
close_prefix

reg=velt-prefix.reg
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n'
  for font in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "SimSun" "Microsoft YaHei"; do
    printf '"%s"="WenQuanYi Micro Hei"\r\n' "$font"
  done
  printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine\\DllOverrides]\r\n"winemenubuilder.exe"=""\r\n'
  printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\r\n'
  for n in $(seq 1 255); do printf '"COM%d"=""\r\n"LPT%d"=""\r\n' "$n" "$n"; done
} > "$WINEPREFIX/drive_c/$reg"
"$velt_wine_loader" regedit "C:\\$reg" >/dev/null 2>&1
rm -f "$WINEPREFIX/drive_c/$reg"
/usr/lib/wine/wineserver -w
if [ "$VELT_WINE_ARCH" = xp ]; then
  "$velt_wine_loader" winecfg -v winxp >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi

# That start linked the ports again; from now on the registry keeps COM1..255
# and LPT1..255 empty, and these folders make Wine's link for the 256th fail.
close_prefix
for port in com256 lpt256; do
  mkdir -p "$WINEPREFIX/dosdevices/$port"
  echo "Keeps Wine from naming a /dev node $port (tools/wine-prefix.sh)." > "$WINEPREFIX/dosdevices/$port/README"
done
for roaming in "$WINEPREFIX"/drive_c/users/*/AppData/Roaming; do
  [ "${roaming#*/users/Public/}" = "$roaming" ] || continue
  mkdir -p "$roaming/Microsoft/Internet Explorer/Quick Launch"
done
map_build_drive
echo "$version" > "$stamp"

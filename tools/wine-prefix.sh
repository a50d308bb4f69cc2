#!/usr/bin/env bash
# Creates the project's 64-bit Wine prefix (default build/wineprefix) once:
# Chinese locale (ANSI code page 936) and CJK font substitutes, so that message
# boxes and GDI text show Chinese glyphs. A second call does nothing.
# DISPLAY must name an X display: a prefix first booted without one cannot
# create windows later.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${VELT_WINEPREFIX:-$here/build/wineprefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=zh_CN.UTF-8
stamp=$WINEPREFIX/.velt-ready
[ -f "$stamp" ] && exit 0
[ -n "${DISPLAY:-}" ] || { echo "wine-prefix: DISPLAY is not set" >&2; exit 1; }
mkdir -p "$WINEPREFIX"
echo "wine-prefix: creating $WINEPREFIX"
/usr/lib/wine/wineboot --init >/dev/null 2>&1 || true
reg=$(mktemp --suffix=.reg)
cat > "$reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS Shell Dlg"="WenQuanYi Micro Hei"
"MS Shell Dlg 2"="WenQuanYi Micro Hei"
"Tahoma"="WenQuanYi Micro Hei"
"SimSun"="WenQuanYi Micro Hei"
"Microsoft YaHei"="WenQuanYi Micro Hei"
REG
/usr/lib/wine/wine64 regedit "$reg" >/dev/null 2>&1
rm -f "$reg"
/usr/lib/wine/wineserver -w
[ -f "$WINEPREFIX/system.reg" ] || { echo "wine-prefix: wineboot failed" >&2; exit 1; }
touch "$stamp"

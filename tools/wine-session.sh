# Sourced by the scripts that run Windows programs under Wine.
#
# velt_wine_session: makes sure DISPLAY names an X display (starting Xvfb on a
# free display number when none is set, with a screen of VELT_XVFB_SCREEN,
# 1024x768x24 unless set), creates the project's Wine prefix of
# VELT_WINE_ARCH (x86_64, the default, i686 or xp: tools/wine-env.sh) once a
# display exists, exports WINEPREFIX and starts a persistent wine server, so
# that each program starts in milliseconds. It also starts the link planter (below). When the calling
# script exits, the wine server, the planter and the Xvfb it started are
# stopped again (an EXIT trap of this file's); velt_end_wine_session does so
# at once, and a later velt_wine_session may start the session of another
# prefix.
#
# The link planter: Windows programs in the prefix cannot make a symbolic link
# (Wine has no mklink, and the sandboxed prefix reaches no Unix path), yet the
# tests must plant links the way an attacker would. A test writes a request
# "C:\velt-links\<name>.req" (UTF-8: the link's Windows path, a newline, the
# target's Windows path, both on C:); the planter makes the Unix symbolic link
# and answers with "<name>.done" holding "ok" or the reason it failed. The
# link's parent and the target are found without regard to letter case, as
# Windows names them; an existing name at the link's place is never replaced.
# An empty target asks for the link to be taken back (only a symbolic link is
# removed). Every link made is listed in the prefix's "velt-planted-links";
# the next session takes back those that a run left behind.
#
# velt_can_run_32bit: returns 0 when this machine runs the shipped 32-bit
# build under Wine: its kernel runs a 32-bit program (a tiny static i386 one,
# written here, that only exits) and Debian's 32-bit Wine is installed and
# starts. Otherwise returns 1 with the reason in velt_no_32bit_reason (some
# kernels are built without 32-bit support: "Exec format error").
velt_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
velt_no_32bit_reason=

velt_can_run_32bit() {
  local probe out
  probe=$(mktemp)
  # ELF header, one loadable segment, and at 0x54: mov eax,1; xor ebx,ebx; int 0x80.
  python3 - "$probe" <<'PY'
import struct, sys
code = bytes.fromhex("b80100000031dbcd80")
base, size = 0x08048000, 52 + 32 + 9
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + segment + code)
PY
  chmod +x "$probe"
  if ! out=$("$probe" 2>&1); then
    velt_no_32bit_reason="this machine's kernel does not run 32-bit programs (${out##*: })"
  elif [ ! -x /usr/lib/wine/wine ]; then
    velt_no_32bit_reason="32-bit Wine (wine32:i386) is not installed"
  elif ! out=$(/usr/lib/wine/wine --version 2>&1); then
    velt_no_32bit_reason="32-bit Wine does not start: $out"
  fi
  rm -f "$probe"
  [ -z "$velt_no_32bit_reason" ]
}
velt_xvfb_pid=
velt_planter_pid=

velt_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  # Xvfb takes the first free display number under its own lock and says
  # which (-displayfd): sessions started at the same moment (two test runs,
  # helpers) never share a screen, which would put one run's windows over
  # the other's screenshots.
  local numfile i
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${VELT_XVFB_SCREEN:-1024x768x24}" -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  velt_xvfb_pid=$!
  for i in $(seq 1 100); do
    if [ -s "$numfile" ]; then
      export DISPLAY=":$(tr -dc 0-9 <"$numfile")"
      rm -f "$numfile"
      return 0
    fi
    kill -0 "$velt_xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  rm -f "$numfile"
  echo "wine-session: could not start Xvfb" >&2
  return 1
}

# The Unix path of a Windows path "C:\\a\\b" in the prefix, each existing
# component matched without regard to case; empty when it is not on C:.
velt_unix_path() {
  local win=$1 rest path part match
  case "$win" in [Cc]:\\*) rest=${win:3} ;; *) return 1 ;; esac
  path="$WINEPREFIX/drive_c"
  IFS='\\' read -r -a parts <<<"$rest"
  for part in "${parts[@]}"; do
    [ -z "$part" ] && continue
    if [ -e "$path/$part" ] || [ -L "$path/$part" ]; then path="$path/$part"; continue; fi
    match=$(find "$path" -mindepth 1 -maxdepth 1 -iname "$part" -print -quit 2>/dev/null)
    path=${match:-$path/$part}
  done
  printf '%s\n' "$path"
}

velt_link_planter() {
  local dir="$WINEPREFIX/drive_c/velt-links" list="$WINEPREFIX/velt-planted-links" req name link target ul ut why
  mkdir -p "$dir"
  if [ -f "$list" ]; then
    while IFS= read -r ul; do [ -L "$ul" ] && rm -f "$ul"; done <"$list"
    : >"$list"
  fi
  while :; do
    for req in "$dir"/*.req; do
      [ -e "$req" ] || continue
      name=${req%.req}
      { IFS= read -r link; IFS= read -r target; } <"$req"
      link=${link%$'\r'}; target=${target%$'\r'}
      ul=$(velt_unix_path "$link")
      if [ -z "$ul" ]; then why="not a path on C:"
      elif [ -z "$target" ]; then
        if [ -L "$ul" ]; then rm -f "$ul" && why=ok || why="rm failed"; else why="not a link"; fi
      elif ! ut=$(velt_unix_path "$target"); then why="not a path on C:"
      elif [ -e "$ul" ] || [ -L "$ul" ]; then why="the name exists"
      elif ln -s "$ut" "$ul" 2>/dev/null; then why=ok; printf '%s\n' "$ul" >>"$list"
      else why="ln failed"; fi
      rm -f "$req"
      printf '%s\n' "$why" >"$name.tmp" && mv -f "$name.tmp" "$name.done"
    done
    sleep 0.05
  done
}

velt_end_wine_session() {
  if [ -n "$velt_planter_pid" ]; then { kill "$velt_planter_pid"; wait "$velt_planter_pid"; } 2>/dev/null || true; fi
  velt_planter_pid=
  WINEPREFIX=$WINEPREFIX /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "$velt_xvfb_pid" ]; then
    kill "$velt_xvfb_pid" 2>/dev/null; wait "$velt_xvfb_pid" 2>/dev/null
    unset DISPLAY
  fi
  velt_xvfb_pid=
}

velt_wine_session() {
  WINEPREFIX=$(. "$velt_root/tools/wine-env.sh" && printf '%s' "$WINEPREFIX") || return 1
  export WINEPREFIX
  trap velt_end_wine_session EXIT
  velt_ensure_display
  # A prefix first booted without a display cannot create windows later.
  "$velt_root/tools/wine-prefix.sh"
  /usr/lib/wine/wineserver -p 2>/dev/null || true  # one may already run
  "$velt_root/tools/wine-run.sh" cmd /c exit >/dev/null 2>&1 || true
  if [ -z "$velt_planter_pid" ]; then
    velt_link_planter &
    velt_planter_pid=$!
  fi
}

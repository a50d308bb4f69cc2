#!/usr/bin/env bash
# The size table (not a test): what users download, measured on a build tree,
# against NSIS packing the same files.
#
#   bash bench/sizes.sh [BUILD_DIR]        (default build/win32, the shipped build)
#
# Needs the built tree (Setup, DuiLibu, Uninstall, the calendar, the payload
# and the kit: cmake --build build/win32) and makensis (tools/bootstrap.sh).
# Prints one row per file in bytes and KB (1000 bytes):
#   - Setup.exe as built, and without its payload: the file's size less the
#     bytes of its resource "ZIP" 135 (the payload archive); its icon, manifest
#     and the rest of its resources stay counted;
#   - Setup.exe without payload plus DuiLibu.dll (the window library the kit
#     carries beside it), the figure that the 800 KB goal is about;
#   - DuiLibu.dll, Uninstall.exe, the calendar, the two skin archives, the
#     payload archive, the three files of the kit and the kit zip;
#   - NSIS installers (x86-unicode, silent, one section of File /r) of the
#     files that the kit installs, i.e. the payload's entries unpacked: one
#     with "SetCompressor /SOLID lzma", one with "SetCompressor zlib"; and an
#     empty installer of each kind (the stub with its header).
# Work files go to BUILD_DIR/bench-sizes.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$here/build/win32}" && pwd)
bin=$build/bin
work=$build/bench-sizes
rm -rf "$work"
mkdir -p "$work/files"

kit=$(ls "$build"/kit/VELT-Calendar-Setup-*.zip 2>/dev/null | head -n1 || true)
for f in "$bin/Setup.exe" "$bin/DuiLibu.dll" "$bin/Uninstall.exe" "$bin/VELT电子日历.exe" \
         "$bin/Uninstall.DAT" "$bin/VELTSetupDate.DAT" "$build/payload/payload.zip" "$kit"; do
  [ -n "$f" ] && [ -f "$f" ] || { echo "sizes: missing ${f:-the kit zip} (build the tree first)" >&2; exit 2; }
done
command -v makensis >/dev/null || { echo "sizes: makensis missing (tools/bootstrap.sh)" >&2; exit 2; }

# The files that the kit installs: the payload's entries.
/usr/bin/python3 "$here/bench/unpack.py" "$build/payload/payload.zip" "$work/files" --times

nsis() {  # nsis <name> <compressor line> <with files: yes|no>
  local name=$1 compressor=$2 files=$3 section=
  [ "$files" = yes ] && section="  SetOutPath \"\$INSTDIR\"
  File /r \"$work/files/*\""
  cat > "$work/$name.nsi" <<NSI
Unicode true
Target x86-unicode
$compressor
Name "velt-sizes-$name"
OutFile "$work/$name.exe"
InstallDir "\$PROGRAMFILES\\VELT"
RequestExecutionLevel admin
SilentInstall silent
Section
$section
SectionEnd
NSI
  makensis -V1 "$work/$name.nsi" >/dev/null
}
nsis nsis-lzma "SetCompressor /SOLID lzma" yes
nsis nsis-zlib "SetCompressor zlib" yes
nsis nsis-lzma-empty "SetCompressor /SOLID lzma" no
nsis nsis-zlib-empty "SetCompressor zlib" no

/usr/bin/python3 - "$here" "$build" "$kit" "$work" <<'PY'
import os, sys
here, build, kit, work = sys.argv[1:]
sys.path.insert(0, os.path.join(here, "tools", "kit"))
from pe_resource import find_resource as resource  # the reader of Setup's resource "ZIP" 135

bin = os.path.join(build, "bin")
size = lambda p: os.path.getsize(p)
with open(os.path.join(bin, "Setup.exe"), "rb") as f:
    setup = f.read()
payload_res = resource(setup, "ZIP", 135)
if payload_res is None:
    sys.exit("sizes: Setup.exe carries no resource ZIP 135")
setup_bare = len(setup) - len(payload_res)
dui = size(os.path.join(bin, "DuiLibu.dll"))
files_bytes = sum(size(os.path.join(d, n)) for d, _, ns in os.walk(os.path.join(work, "files")) for n in ns)
rows = [
    ("Setup.exe without payload", setup_bare),
    ("DuiLibu.dll", dui),
    ("Setup.exe without payload + DuiLibu.dll", setup_bare + dui),
    ("Uninstall.exe", size(os.path.join(bin, "Uninstall.exe"))),
    ("the calendar", size(os.path.join(bin, "VELT\u7535\u5b50\u65e5\u5386.exe"))),
    ("Uninstall.DAT", size(os.path.join(bin, "Uninstall.DAT"))),
    ("VELTSetupDate.DAT", size(os.path.join(bin, "VELTSetupDate.DAT"))),
    ("payload.zip (Setup's resource ZIP 135)", len(payload_res)),
    ("Setup.exe with payload", len(setup)),
    ("kit files: Setup.exe + DuiLibu.dll + VELTSetupDate.DAT",
     len(setup) + dui + size(os.path.join(bin, "VELTSetupDate.DAT"))),
    ("kit zip", size(kit)),
    ("installed files, unpacked (the payload's entries)", files_bytes),
    ("NSIS installer of those files, /SOLID lzma", size(os.path.join(work, "nsis-lzma.exe"))),
    ("NSIS installer of those files, zlib", size(os.path.join(work, "nsis-zlib.exe"))),
    ("NSIS empty installer, /SOLID lzma (stub)", size(os.path.join(work, "nsis-lzma-empty.exe"))),
    ("NSIS empty installer, zlib (stub)", size(os.path.join(work, "nsis-zlib-empty.exe"))),
]
print("build: %s (kit %s)" % (build, os.path.basename(kit)))
print("%-56s %10s %9s" % ("file", "bytes", "KB"))
for name, n in rows:
    print("%-56s %10d %9.1f" % (name, n, n / 1000.0))
goal = 800000
print("Setup.exe without payload + DuiLibu.dll: %d bytes, %s the goal of at most %d" % (
    setup_bare + dui, "within" if setup_bare + dui <= goal else "beyond", goal))
print("kit zip: %d bytes, %s the goal of at most %d; NSIS /SOLID lzma: %d" % (
    size(kit), "within" if size(kit) <= goal else "beyond", goal, size(os.path.join(work, "nsis-lzma.exe"))))
PY

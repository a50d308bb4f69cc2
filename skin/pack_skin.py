"""Packs a skin archive (Uninstall.DAT, VELTSetupDate.DAT), and the release
kit: a plain zip of the given files, stored under their base names in the
order given, deflated by zopfli (tools/zopfli_deflate.py: the deflate format
every reader reads, a few percent smaller than zlib's), with a fixed time
stamp and fixed attributes, so that the same inputs always give the same
bytes.

Usage: pack_skin.py <archive> <file>...
Exit status: 0 when the archive was written; 1 when an input is missing,
two inputs share a base name or zopfli fails.
"""
import os
import struct
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
from zopfli_deflate import deflate_file  # noqa: E402

DOS_TIME, DOS_DATE = 0, ((2026 - 1980) << 9) | (1 << 5) | 1   # 2026-01-01 00:00:00
VERSION = 20                     # zip 2.0 (deflate), MS-DOS host
ATTR_ARCHIVE = 0x20
FLAG_UTF8 = 0x800


def pack(inputs, names):
    out, central = bytearray(), bytearray()
    for path, name in zip(inputs, names):
        with open(path, "rb") as f:
            content = f.read()
        data = deflate_file(path)
        raw = name.encode("utf-8")
        flags = FLAG_UTF8 if any(ord(c) > 127 for c in name) else 0
        fields = (VERSION, flags, 8, DOS_TIME, DOS_DATE, zlib.crc32(content), len(data), len(content),
                  len(raw), 0)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, *fields) + raw + data
        central += struct.pack("<IH", 0x02014B50, VERSION) + struct.pack("<HHHHHIIIHH", *fields)
        central += struct.pack("<HHHII", 0, 0, 0, ATTR_ARCHIVE, offset) + raw  # comment, disk, attributes
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(names), len(names), len(central), len(out), 0)
    return bytes(out + central + end)


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 1
    archive, inputs = argv[1], argv[2:]
    names = [os.path.basename(p) for p in inputs]
    if len(set(names)) != len(names):
        print("pack_skin: duplicate entry names", file=sys.stderr)
        return 1
    for path in inputs:
        if not os.path.isfile(path):
            print("pack_skin: missing input " + path, file=sys.stderr)
            return 1
    try:
        data = pack(inputs, names)
    except OSError as e:
        print("pack_skin: %s" % e, file=sys.stderr)
        return 1
    partial = archive + ".part"
    with open(partial, "wb") as f:
        f.write(data)
    os.replace(partial, archive)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

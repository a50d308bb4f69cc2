#!/usr/bin/python3
"""Packs the payload archive from an ordered list of entries.

    /usr/bin/python3 tools/pack_payload.py --entries app/payload_entries.txt \
        --set APP=... --set DUILIB=... --set UNINSTALL_SKIN=... --set UNINSTALL=... \
        --set RES=app/res --output build/payload/payload.zip [--zlib]

The entry list has one entry per line: the archive name, how it is stored
("deflate", "store" or "folder") and, except for folders, the source file, in
which @NAME@ stands for a value given with --set. Lines starting with "#" and
empty lines are skipped. Fields are separated by tabs.

The archive has exactly the listed entries in the listed order, and this form:
  - names are stored as code page 936 bytes, general-purpose flags 0 (no UTF-8
    flag, no encryption, no data descriptor); folder names end in "/";
  - folders and "store" entries use method 0, "deflate" entries method 8
    (raw deflate: the smaller stream that zopfli finds, tools/zopfli_deflate.py;
    with --zlib, zlib's at level 9, for the large test archives, since zopfli
    takes seconds a megabyte);
  - version made by: host 0 (MS-DOS), version 2.0; external attributes 0x20
    (archive) for files, 0x10 (directory) for folders;
  - local headers carry no extra field; every central-directory record carries
    an NTFS extra block (0x000a) with the same times;
  - every entry has one fixed time (--time, local time of the packer's time
    zone --utc-offset), so the same inputs always give the same bytes.

Exit status: 0 when the archive was written (atomically: a temporary file is
renamed over OUTPUT), 1 on a bad list, a missing source or a name that code
page 936 cannot hold, 2 on bad arguments.
"""
import argparse
import datetime
import os
import re
import struct
import sys
import zlib

from zopfli_deflate import deflate_file

VERSION_MADE_BY = (0 << 8) | 20       # MS-DOS host, zip 2.0
VERSION_STORED = 10
VERSION_DEFLATED = 20
ATTR_DIRECTORY = 0x10
ATTR_ARCHIVE = 0x20
FILETIME_EPOCH = datetime.datetime(1601, 1, 1)


class PackError(Exception):
    pass


def read_entries(path, values):
    """Returns [(name, kind, source or None)] from the entry list."""
    entries = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\r\n")
            if not line.strip() or line.lstrip().startswith("#"):
                continue
            fields = line.split("\t")
            name, kind = fields[0], fields[1] if len(fields) > 1 else ""
            where = "%s:%d" % (path, number)
            if kind == "folder":
                if len(fields) != 2 or not name.endswith("/"):
                    raise PackError("%s: a folder entry is 'name/<TAB>folder'" % where)
                entries.append((name, kind, None))
                continue
            if kind not in ("deflate", "store") or len(fields) != 3 or name.endswith("/"):
                raise PackError("%s: a file entry is 'name<TAB>deflate|store<TAB>source'" % where)

            def substitute(m):
                key = m.group(1)
                if key not in values:
                    raise PackError("%s: no value for @%s@ (give --set %s=...)" % (where, key, key))
                return values[key]
            entries.append((name, kind, re.sub(r"@([A-Z0-9_]+)@", substitute, fields[2])))
    names = [e[0] for e in entries]
    if len(set(names)) != len(names):
        raise PackError("%s: an archive name is listed twice" % path)
    return entries


def dos_time(t):
    if not 1980 <= t.year <= 2107:
        raise PackError("the archive time must lie between 1980 and 2107")
    return ((t.hour << 11) | (t.minute << 5) | (t.second // 2),
            ((t.year - 1980) << 9) | (t.month << 5) | t.day)


def ntfs_extra(utc):
    ticks = (utc - FILETIME_EPOCH) // datetime.timedelta(microseconds=1) * 10
    times = struct.pack("<QQQ", ticks, ticks, ticks)        # modified, accessed, created
    body = struct.pack("<IHH", 0, 0x0001, len(times)) + times
    return struct.pack("<HH", 0x000A, len(body)) + body


def encode_name(name):
    try:
        return name.encode("cp936")
    except UnicodeEncodeError:
        raise PackError("%r cannot be written in code page 936" % name)


def pack(entries, local_time, utc_offset_hours, zopfli=True):
    dtime, ddate = dos_time(local_time)
    extra = ntfs_extra(local_time - datetime.timedelta(hours=utc_offset_hours))
    out = bytearray()
    central = bytearray()
    for name, kind, source in entries:
        raw = encode_name(name)
        if kind == "folder":
            data, method, crc, size, attr, needed = b"", 0, 0, 0, ATTR_DIRECTORY, VERSION_STORED
        else:
            try:
                with open(source, "rb") as f:
                    content = f.read()
            except OSError as e:
                raise PackError("%s: cannot read %s: %s" % (name, source, e.strerror))
            crc, size, attr = zlib.crc32(content), len(content), ATTR_ARCHIVE
            if kind == "store":
                data, method, needed = content, 0, VERSION_STORED
            else:
                if zopfli:
                    data = deflate_file(source)
                else:
                    c = zlib.compressobj(9, zlib.DEFLATED, -15)
                    data = c.compress(content) + c.flush()
                method, needed = 8, VERSION_DEFLATED
        if len(data) > 0xFFFFFFFF or size > 0xFFFFFFFF or len(out) > 0xFFFFFFFF:
            raise PackError("%s: too large for a zip archive without Zip64" % name)
        offset = len(out)
        out += struct.pack("<IHHHHHIIIHH", 0x04034B50, needed, 0, method, dtime, ddate,
                           crc, len(data), size, len(raw), 0)
        out += raw + data
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, VERSION_MADE_BY, needed, 0,
                               method, dtime, ddate, crc, len(data), size, len(raw),
                               len(extra), 0, 0, 0, attr, offset)
        central += raw + extra
    if len(entries) > 0xFFFF:
        raise PackError("too many entries for a zip archive without Zip64")
    cd_offset = len(out)
    out += central
    out += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(entries), len(entries),
                       len(central), cd_offset, 0)
    return bytes(out)


def main(argv):
    ap = argparse.ArgumentParser(description="Pack the payload archive from an entry list.")
    ap.add_argument("--entries", required=True, help="ordered entry list")
    ap.add_argument("--set", action="append", default=[], metavar="NAME=VALUE",
                    help="value of @NAME@ in the sources")
    ap.add_argument("--output", required=True)
    ap.add_argument("--time", default="2026-01-01 08:00:00",
                    help="local time of every entry (YYYY-MM-DD HH:MM:SS)")
    ap.add_argument("--utc-offset", type=float, default=8.0,
                    help="hours the packer's local time is ahead of UTC")
    ap.add_argument("--zlib", action="store_true",
                    help="deflate with zlib at level 9 (much faster, a few percent larger)")
    args = ap.parse_args(argv)
    values = {}
    for item in args.set:
        key, sep, value = item.partition("=")
        if not sep:
            ap.error("--set wants NAME=VALUE, not %r" % item)
        values[key] = value
    try:
        local_time = datetime.datetime.strptime(args.time, "%Y-%m-%d %H:%M:%S")
    except ValueError:
        ap.error("--time wants YYYY-MM-DD HH:MM:SS")
    try:
        archive = pack(read_entries(args.entries, values), local_time, args.utc_offset, not args.zlib)
    except (PackError, OSError) as e:
        print("pack_payload: %s" % e, file=sys.stderr)
        return 1
    folder = os.path.dirname(os.path.abspath(args.output))
    os.makedirs(folder, exist_ok=True)
    temp = args.output + ".tmp"
    with open(temp, "wb") as f:
        f.write(archive)
    os.replace(temp, args.output)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

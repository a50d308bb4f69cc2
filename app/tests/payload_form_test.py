#!/usr/bin/python3
"""Checks the form of the payload archive the build made, byte by byte, without the packer's code.

    payload_form_test.py --packer PACK.py --built ZIP --entries LIST --set NAME=VALUE...
        Checks the archive, and that packing the same inputs again gives the
        same bytes.

What is checked: exactly the entries of the entry list (83: RealPayload's
count), in its order (the list is read here with its own few lines, not with
the packer's code); names stored as code page 936 bytes with no UTF-8 flag;
folders end in "/", have attribute 0x10, method 0 and no data; exactly one file is stored (method 0)
and it is a small image, every other file is deflated (method 8); version made
by: host 0 (MS-DOS); files have attribute 0x20; no encryption, no data
descriptor (flags 0); local headers have no extra field and agree with the
central directory; every central record has exactly one NTFS block (0x000a)
with three FILETIMEs; every file's data inflates to its source file's bytes
(as the list names them) with the recorded CRC-32 and sizes.
Exit status 0 when everything holds; 1 with a list of what did not.
"""
import argparse
import os
import struct
import subprocess
import sys
import tempfile
import zlib


def read_list(path):
    """[(name, source or None)] of the entry list: the tab-separated fields of
    every line that is neither empty nor a "#" comment."""
    with open(path, encoding="utf-8") as f:
        rows = [line.split("\t") for line in f.read().splitlines()
                if line.strip() and not line.lstrip().startswith("#")]
    return [(row[0], row[2] if len(row) > 2 else None) for row in rows]


class Archive:
    """The records of a zip archive, read with struct from its bytes."""

    def __init__(self, data):
        self.data = data
        eocd = data.rfind(b"PK\x05\x06")
        if eocd < 0 or len(data) - eocd != 22:
            raise ValueError("no end-of-central-directory record at the end (or a comment)")
        (_, disk, cd_disk, on_disk, total, cd_size, cd_offset, comment) = struct.unpack(
            "<IHHHHIIH", data[eocd:eocd + 22])
        if disk or cd_disk or on_disk != total or comment:
            raise ValueError("a multi-disk archive or one with a comment")
        if cd_offset + cd_size != eocd:
            raise ValueError("the central directory does not end at the end record")
        self.entries = []
        pos = cd_offset
        for _ in range(total):
            f = struct.unpack("<IHHHHHHIIIHHHHHII", data[pos:pos + 46])
            if f[0] != 0x02014B50:
                raise ValueError("central record %d: bad signature" % len(self.entries))
            e = dict(made_by=f[1], needed=f[2], flags=f[3], method=f[4], time=f[5], date=f[6],
                     crc=f[7], csize=f[8], usize=f[9], internal=f[14], external=f[15], offset=f[16],
                     disk=f[13], comment_len=f[12])
            e["raw_name"] = data[pos + 46:pos + 46 + f[10]]
            e["extra"] = data[pos + 46 + f[10]:pos + 46 + f[10] + f[11]]
            pos += 46 + f[10] + f[11] + f[12]
            self.entries.append(e)
        if pos != eocd:
            raise ValueError("the central directory's size disagrees with its records")

    def local(self, e):
        f = struct.unpack("<IHHHHHIIIHH", self.data[e["offset"]:e["offset"] + 30])
        name_end = e["offset"] + 30 + f[9]
        return dict(sig=f[0], needed=f[1], flags=f[2], method=f[3], time=f[4], date=f[5], crc=f[6],
                    csize=f[7], usize=f[8], raw_name=self.data[e["offset"] + 30:name_end],
                    extra_len=f[10], data_start=name_end + f[10])


def check(data, want, sources):
    """Returns the list of faults of the archive `data` against the names
    `want`; `sources` maps names to files."""
    faults = []
    try:
        archive = Archive(data)
    except (ValueError, struct.error) as e:
        return ["cannot read the archive: %s" % e]
    if len(archive.entries) != len(want):
        faults.append("%d entries, not the list's %d" % (len(archive.entries), len(want)))
    stored_files = []
    end_of_data = 0
    for i, e in enumerate(archive.entries):
        raw = e["raw_name"]
        try:
            name = raw.decode("cp936")
        except UnicodeDecodeError:
            faults.append("entry %d: name %r is not code page 936" % (i, raw))
            continue
        where = "entry %d (%s)" % (i, name)
        # A name stored as UTF-8 (the list has Chinese names) decodes to
        # something else here, or not at all.
        if i < len(want) and name != want[i]:
            faults.append("%s: expected %s here" % (where, want[i]))
        if e["flags"] != 0:
            faults.append("%s: general-purpose flags %#x (UTF-8/encryption/descriptor)" % (where, e["flags"]))
        if e["made_by"] >> 8 != 0:
            faults.append("%s: made on host %d, not MS-DOS (0)" % (where, e["made_by"] >> 8))
        if e["disk"] != 0 or e["comment_len"] != 0 or e["internal"] != 0:
            faults.append("%s: disk number, comment or internal attributes set" % where)
        # One NTFS block, nothing else, in the central directory.
        extra = e["extra"]
        if len(extra) != 36:
            faults.append("%s: central extra field of %d bytes, not one NTFS block" % (where, len(extra)))
        else:
            tag, size, reserved, attr_tag, attr_size = struct.unpack("<HHIHH", extra[:12])
            times = struct.unpack("<QQQ", extra[12:36])
            if (tag, size, attr_tag, attr_size) != (0x000A, 32, 1, 24) or reserved != 0:
                faults.append("%s: the central extra field is not an NTFS block" % where)
            elif not all(116444736000000000 < t < 159000000000000000 for t in times):
                faults.append("%s: NTFS times out of range" % where)
        lh = archive.local(e)
        if lh["sig"] != 0x04034B50:
            faults.append("%s: no local header at its offset" % where)
            continue
        if lh["extra_len"] != 0:
            faults.append("%s: local header has an extra field" % where)
        for k in ("needed", "flags", "method", "time", "date", "crc", "csize", "usize", "raw_name"):
            if lh[k] != e[k]:
                faults.append("%s: local %s disagrees with the central directory" % (where, k))
        payload = data[lh["data_start"]:lh["data_start"] + e["csize"]]
        end_of_data = max(end_of_data, lh["data_start"] + e["csize"])
        if name.endswith("/"):
            if e["external"] != 0x10:
                faults.append("%s: folder attributes %#x, not 0x10" % (where, e["external"]))
            if e["method"] != 0 or e["csize"] or e["usize"] or e["crc"]:
                faults.append("%s: a folder with method %d or data" % (where, e["method"]))
            continue
        if e["external"] != 0x20:
            faults.append("%s: file attributes %#x, not 0x20" % (where, e["external"]))
        if e["method"] == 0:
            stored_files.append(name)
            content = payload
        elif e["method"] == 8:
            try:
                d = zlib.decompressobj(-15)
                content = d.decompress(payload) + d.flush()
                if not d.eof:
                    faults.append("%s: deflate stream does not end" % where)
            except zlib.error as err:
                faults.append("%s: does not inflate: %s" % (where, err))
                continue
        else:
            faults.append("%s: method %d" % (where, e["method"]))
            continue
        if len(content) != e["usize"] or zlib.crc32(content) != e["crc"]:
            faults.append("%s: size or CRC-32 does not match the data" % where)
        source = sources.get(name)
        if source is not None:
            with open(source, "rb") as f:
                if f.read() != content:
                    faults.append("%s: content differs from %s" % (where, source))
    if len(stored_files) != 1:
        faults.append("%d stored files (%s), not exactly one" % (len(stored_files), stored_files))
    elif not (stored_files[0].endswith((".png", ".gif")) and
              archive.entries[want.index(stored_files[0])]["usize"] <= 4096):
        faults.append("the stored file %s is not a small image" % stored_files[0])
    if archive.entries and end_of_data != struct.unpack("<I", data[-6:-2])[0]:
        faults.append("bytes between the last entry and the central directory (a data descriptor?)")
    return faults


def sources_for(entries, values):
    """Maps every file's name to its source file, with @NAME@ replaced."""
    sources = {}
    for name, source in entries:
        if source is not None:
            for key, value in values.items():
                source = source.replace("@%s@" % key, value)
            sources[name] = source
    return sources


def pack(packer, entries, values, out):
    cmd = [sys.executable, packer, "--entries", entries, "--output", out]
    for k, v in values.items():
        cmd += ["--set", "%s=%s" % (k, v)]
    subprocess.run(cmd, check=True)
    with open(out, "rb") as f:
        return f.read()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--packer", required=True)
    ap.add_argument("--entries", required=True)
    ap.add_argument("--built", required=True)
    ap.add_argument("--set", action="append", default=[])
    args = ap.parse_args()
    values = dict(item.split("=", 1) for item in args.set)
    faults = []
    with tempfile.TemporaryDirectory() as tmp:
        with open(args.built, "rb") as f:
            first = f.read()
        entries = read_list(args.entries)
        faults += check(first, [name for name, _ in entries], sources_for(entries, values))
        again = pack(args.packer, args.entries, values, os.path.join(tmp, "b.zip"))
        if again != first:
            faults.append("packing the same inputs again gives different bytes")
    for f in faults:
        print("FAULT:", f)
    print("built payload: %d faults" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

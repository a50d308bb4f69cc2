"""Checks a release kit: a zip holding exactly Setup.exe, DuiLibu.dll and
VELTSetupDate.DAT; every PE in it, and every PE inside Setup's payload
archive (its resource "ZIP" 135), built for the kit's architecture and
importing nothing but Windows system DLLs and DuiLibu.dll (for i686: no entry
point that Windows XP lacks, through tools/check-imports.sh); the payload
holding the calendar, Uninstall.exe, DuiLibu.dll and Uninstall.DAT; and the
kit's entries carrying fixed times, so that the same build gives the same
bytes.

Usage: check_kit.py <kit.zip> <i686|x86_64> <objdump> <check-imports.sh>
Exit status: 0 when every check holds, 1 otherwise (each failure printed).
"""
import io
import os
import struct
import subprocess
import sys
import tempfile
import zipfile

KIT_ENTRIES = ["DuiLibu.dll", "Setup.exe", "VELTSetupDate.DAT"]
PAYLOAD_PROGRAMS = ["VELT电子日历.exe", "DuiLibu.dll", "Uninstall.exe"]
MACHINE = {"i686": 0x014C, "x86_64": 0x8664}
FIXED_TIME = (2026, 1, 1, 0, 0, 0)


def pe_machine(data):
    if data[:2] != b"MZ":
        return None
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    if data[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", data, offset + 4)[0]


def resource(data, type_name, ident):
    """Bytes of the resource of a named type and a numeric id, or None."""
    offset = struct.unpack_from("<I", data, 0x3C)[0]
    machine, sections, _, _, _, opt_size = struct.unpack_from("<HHIIIH", data, offset + 4)
    opt = offset + 24
    magic = struct.unpack_from("<H", data, opt)[0]
    dirs = opt + (96 if magic == 0x10B else 112)
    rsrc_rva, _ = struct.unpack_from("<II", data, dirs + 2 * 8)
    table = opt + opt_size
    spans = []
    for i in range(sections):
        s = table + 40 * i
        vsize, va, rawsize, rawptr = struct.unpack_from("<IIII", data, s + 8)
        spans.append((va, max(vsize, rawsize), rawptr))

    def at(rva):
        for va, size, raw in spans:
            if va <= rva < va + size:
                return raw + rva - va
        raise ValueError("rva outside every section")

    base = at(rsrc_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            if name & 0x80000000:
                p = base + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", data, p)[0]
                key = data[p + 2:p + 2 + 2 * length].decode("utf-16-le")
            else:
                key = name
            yield key, target

    for key, target in entries(0):
        if isinstance(key, str) and key.upper() == type_name:
            for key2, target2 in entries(target & 0x7FFFFFFF):
                if key2 == ident:
                    for _, leaf in entries(target2 & 0x7FFFFFFF):
                        rva, size = struct.unpack_from("<II", data, base + leaf)
                        return data[at(rva):at(rva) + size]
    return None


def main(argv):
    if len(argv) != 5:
        print(__doc__, file=sys.stderr)
        return 1
    kit, arch, objdump, check_imports = argv[1:]
    failures = []
    with zipfile.ZipFile(kit) as z:
        names = sorted(i.filename for i in z.infolist())
        if names != sorted(KIT_ENTRIES):
            failures.append("kit entries %s, expected %s" % (names, KIT_ENTRIES))
        for info in z.infolist():
            if info.date_time != FIXED_TIME:
                failures.append("%s carries the time %s" % (info.filename, info.date_time))
        files = {i.filename: z.read(i) for i in z.infolist()}

    pes = {}
    for name in ("Setup.exe", "DuiLibu.dll"):
        if name in files:
            pes["kit/" + name] = files[name]
    payload = resource(files.get("Setup.exe", b"MZ"), "ZIP", 135) if "Setup.exe" in files else None
    if payload is None:
        failures.append("Setup.exe carries no payload archive (ZIP 135)")
    else:
        with zipfile.ZipFile(io.BytesIO(payload), metadata_encoding="cp936") as z:
            inside = {i.filename: i for i in z.infolist()}
            for name in PAYLOAD_PROGRAMS + ["Uninstall.DAT"]:
                if name not in inside:
                    failures.append("the payload lacks %s" % name)
            for name in PAYLOAD_PROGRAMS:
                if name in inside:
                    pes["payload/" + name] = z.read(inside[name])
        if pes.get("payload/DuiLibu.dll") != pes.get("kit/DuiLibu.dll"):
            failures.append("the payload's DuiLibu.dll is not the kit's")

    for name, data in sorted(pes.items()):
        if pe_machine(data) != MACHINE[arch]:
            failures.append("%s is not an %s program" % (name, arch))
    with tempfile.TemporaryDirectory() as tmp:
        paths = []
        for name, data in sorted(pes.items()):
            path = os.path.join(tmp, name.replace("/", "_"))
            with open(path, "wb") as f:
                f.write(data)
            paths.append(path)
        result = subprocess.run(["bash", check_imports, objdump, arch] + paths,
                                capture_output=True, text=True)
        sys.stdout.write(result.stdout)
        if result.returncode != 0:
            failures.append("imports: see above")

    for failure in failures:
        print("check_kit: FAIL: " + failure)
    if not failures:
        print("check_kit: %s holds %d programs for %s, all importing only system DLLs" % (
            os.path.basename(kit), len(pes), arch))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

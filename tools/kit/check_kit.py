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

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_resource import find_resource  # noqa: E402

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
    payload = find_resource(files["Setup.exe"], "ZIP", 135) if "Setup.exe" in files else None
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

"""Packs a skin archive (Uninstall.DAT, VELTSetupDate.DAT): a plain zip of the
given files, stored under their base names in the order given, deflated, with
a fixed time stamp and fixed attributes, so that the same inputs always give
the same bytes.

Usage: pack_skin.py <archive> <file>...
Exit status: 0 when the archive was written; 1 when an input is missing or
two inputs share a base name.
"""
import os
import sys
import zipfile

FIXED_TIME = (2026, 1, 1, 0, 0, 0)


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
    partial = archive + ".part"
    with zipfile.ZipFile(partial, "w") as zf:
        for path, name in zip(inputs, names):
            info = zipfile.ZipInfo(name, date_time=FIXED_TIME)
            info.compress_type = zipfile.ZIP_DEFLATED
            info.create_system = 0
            info.external_attr = 0x20  # FILE_ATTRIBUTE_ARCHIVE
            if any(ord(c) > 127 for c in name):
                info.flag_bits |= 0x800
            with open(path, "rb") as f:
                zf.writestr(info, f.read(), compress_type=zipfile.ZIP_DEFLATED, compresslevel=9)
    os.replace(partial, archive)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

#!/usr/bin/python3
"""Checks that the calendar's pictures in the repository are what the art
script draws: runs tools/make_payload_art.py into a temporary folder and
compares every file it makes with the committed one, byte for byte.

    art_reproducible_test.py MAKE_ART.py APP_DIR

Exit status 0 when every file is identical and none is missing on either
side (res/profile.xml, which is not drawn, is left out); 1 otherwise.
"""
import filecmp
import os
import subprocess
import sys
import tempfile


def files_below(root):
    found = set()
    for folder, _, names in os.walk(root):
        for n in names:
            found.add(os.path.relpath(os.path.join(folder, n), root))
    return found


def main():
    script, app_dir = sys.argv[1], sys.argv[2]
    faults = []
    with tempfile.TemporaryDirectory() as tmp:
        subprocess.run([sys.executable, script, tmp], check=True)
        made = files_below(tmp)
        committed = {f for f in files_below(os.path.join(app_dir, "res")) if f != "profile.xml"}
        committed = {os.path.join("res", f) for f in committed} | {"velt.ico"}
        for f in sorted(made ^ committed):
            faults.append("%s is only %s" % (f, "drawn" if f in made else "committed"))
        for f in sorted(made & committed):
            if not filecmp.cmp(os.path.join(tmp, f), os.path.join(app_dir, f), shallow=False):
                faults.append("%s differs from what the script draws" % f)
        if len(made) != 7 + 66 + 1:
            faults.append("the script made %d files, not 74" % len(made))
    for f in faults:
        print("FAULT:", f)
    print("pictures: %d faults" % len(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())

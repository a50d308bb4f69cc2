#!/usr/bin/env python3
"""Unpacks a payload-style zip archive for the benchmarks' NSIS scripts.

    unpack.py ARCHIVE DIR [--times]   extracts every entry below DIR
    unpack.py ARCHIVE --count         prints the number of entries

Entry names are read as code page 936, as Setup reads them. With --times
every file gets its entry's time, so that NSIS stores the same bytes on every
run. Exits non-zero (Python's own error) on an unreadable archive.
"""
import os
import sys
import time
import zipfile


def main(argv):
    with zipfile.ZipFile(argv[1], metadata_encoding="cp936") as z:
        if argv[2] == "--count":
            print(len(z.infolist()))
            return 0
        times = "--times" in argv[3:]
        for info in z.infolist():
            target = os.path.join(argv[2], *info.filename.rstrip("/").split("/"))
            if info.filename.endswith("/"):
                os.makedirs(target, exist_ok=True)
                continue
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(z.read(info))
            if times:
                stamp = time.mktime(info.date_time + (0, 0, -1))
                os.utime(target, (stamp, stamp))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

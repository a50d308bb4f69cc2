"""Checks the built Uninstall.DAT on the build machine: its entries are the
three layouts and six pictures, in order; the layouts are well-formed UTF-8
with a Window root; the pictures have the sizes the layouts cut from them;
and drawing and packing once more from the same inputs gives the very same
bytes.

Usage: check_archive.py <Uninstall.DAT> <skin source dir>
Exit status: 0 when every check holds, 1 otherwise (each failure printed).
"""
import os
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

ENTRIES = [
    "Page9Wnd.xml", "Page10Wnd.xml", "Page11Wnd.xml",
    "Page9BK.jpg", "Page10BK.jpg", "Page11BK.jpg",
    "button.png", "CaptionButton.png", "progress.png",
]
# Smallest width and height each picture must have: the frame size, and the
# furthest corner that any image string of the skin cuts.
MIN_SIZE = {
    "Page9BK.jpg": (517, 397), "Page10BK.jpg": (517, 397), "Page11BK.jpg": (517, 397),
    "button.png": (321, 317), "CaptionButton.png": (216, 113), "progress.png": (1, 14),
}


def png_size(data):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">II", data[16:24])


def jpeg_size(data):
    if data[:2] != b"\xff\xd8":
        return None
    i = 2
    while i + 9 < len(data):
        if data[i] != 0xFF:
            return None
        marker = data[i + 1]
        length = struct.unpack(">H", data[i + 2:i + 4])[0]
        if marker in (0xC0, 0xC1, 0xC2):
            h, w = struct.unpack(">HH", data[i + 5:i + 9])
            return w, h
        i += 2 + length
    return None


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 1
    archive, source = argv[1], argv[2]
    failures = []
    with zipfile.ZipFile(archive) as zf:
        names = zf.namelist()
        if names != ENTRIES:
            failures.append("entries %s, expected %s" % (names, ENTRIES))
        for name in names:
            data = zf.read(name)
            if name.endswith(".xml"):
                try:
                    root = ET.fromstring(data.decode("utf-8"))
                    if root.tag != "Window":
                        failures.append("%s: root is %s" % (name, root.tag))
                except (UnicodeDecodeError, ET.ParseError) as e:
                    failures.append("%s: %s" % (name, e))
                continue
            size = png_size(data) if name.endswith(".png") else jpeg_size(data)
            want = MIN_SIZE.get(name)
            if size is None:
                failures.append("%s: not a readable picture" % name)
            elif want and (size[0] < want[0] or size[1] < want[1]):
                failures.append("%s: %dx%d, needs at least %dx%d" % (name, size[0], size[1], want[0], want[1]))
        for name in ("Page9BK.jpg", "Page10BK.jpg", "Page11BK.jpg"):
            if name in names and jpeg_size(zf.read(name)) != (517, 397):
                failures.append("%s: not 517x397" % name)

    with tempfile.TemporaryDirectory() as tmp:
        pictures = os.path.join(tmp, "pictures")
        subprocess.run(["bash", os.path.join(source, "make_pictures.sh"), pictures], check=True)
        again = os.path.join(tmp, "Uninstall.DAT")
        inputs = [os.path.join(source, n) for n in ENTRIES[:3]] + [os.path.join(pictures, n) for n in ENTRIES[3:]]
        subprocess.run([sys.executable, os.path.join(source, "pack_skin.py"), again] + inputs, check=True)
        with open(archive, "rb") as a, open(again, "rb") as b:
            if a.read() != b.read():
                failures.append("drawing and packing again gave different bytes")

    for f in failures:
        print("check_archive: " + f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

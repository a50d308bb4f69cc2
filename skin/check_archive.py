"""Checks a built skin archive on the build machine against its manifest
<skin>.entries:
  - its entries are the manifest's, in that order;
  - every layout is well-formed UTF-8 XML with a Window root that declares a
    size;
  - every image string of a layout names a picture of the archive and cuts a
    rectangle that lies inside it; the twelve option and check squares that
    the programs swap into their buttons lie inside button.png;
  - a picture's 2x copy ("name@2x.png") is a PNG of exactly twice the size
    of the picture "name.<ext>" of the archive;
  - a root background without a source rectangle (a frame) is a picture of
    the window's size; one with a source rectangle (a page) cuts a slice of
    the window's size;
  - drawing and packing once more from the same inputs gives the very same
    bytes.

Usage: check_archive.py <uninstall|setup> <archive> <skin source dir>
Exit status: 0 when every check holds, 1 otherwise (each failure printed).
"""
import os
import re
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

IMAGE_ATTRIBUTES = ("bkimage", "normalimage", "hotimage", "pushedimage", "focusedimage",
                    "disabledimage", "selectedimage")
# The option (20x20) and check (14x14) squares of button.png that the programs
# set as button images at run time (left, top, right, bottom).
OPTION_CHECK_SQUARES = [(x, 263, x + 20, 283) for x in (3, 39, 75, 110, 146, 182)] + \
                       [(x, 303, x + 14, 317) for x in (4, 41, 77, 112, 148, 184)]


def read_manifest(source, skin):
    with open(os.path.join(source, skin + ".entries"), encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


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


def numbers(text):
    return tuple(int(n) for n in text.split(","))


def parse_image(value):
    """(file, source rectangle or None) of an image string or bare file name."""
    if "=" not in value:
        return value.strip(), None
    fields = dict(re.findall(r"(\w+)='([^']*)'", value))
    source = fields.get("source")
    return fields.get("file", ""), numbers(source) if source else None


def check_layout(name, data, sizes, failures):
    try:
        root = ET.fromstring(data.decode("utf-8"))
    except (UnicodeDecodeError, ET.ParseError) as e:
        failures.append("%s: %s" % (name, e))
        return
    if root.tag != "Window" or "size" not in root.attrib:
        failures.append("%s: root is not a Window with a size" % name)
        return
    window = numbers(root.get("size"))
    for element in root.iter():
        for attribute in IMAGE_ATTRIBUTES:
            if attribute not in element.attrib:
                continue
            picture, source = parse_image(element.get(attribute))
            size = sizes.get(picture)
            where = "%s: %s %s" % (name, element.get("name", element.tag), attribute)
            if size is None:
                failures.append("%s names %r, which is no picture of the archive" % (where, picture))
            elif source and not (0 <= source[0] < source[2] <= size[0] and 0 <= source[1] < source[3] <= size[1]):
                failures.append("%s cuts %s outside %s (%dx%d)" % (where, source, picture, size[0], size[1]))
    background = next((c for c in root if c.tag != "Font"), None)
    if background is None or "bkimage" not in background.attrib:
        return
    picture, source = parse_image(background.get("bkimage"))
    got = (source[2] - source[0], source[3] - source[1]) if source else sizes.get(picture)
    if got is not None and tuple(got) != window:
        failures.append("%s: background %s gives %s, the window is %s" % (name, picture, tuple(got), window))


def main(argv):
    if len(argv) != 4 or argv[1] not in ("uninstall", "setup"):
        print(__doc__, file=sys.stderr)
        return 1
    skin, archive, source = argv[1], argv[2], argv[3]
    manifest = read_manifest(source, skin)
    expected = [os.path.basename(e) for e in manifest]
    failures = []
    with zipfile.ZipFile(archive) as zf:
        names = zf.namelist()
        if names != expected:
            failures.append("entries %s, expected %s" % (names, expected))
        sizes = {}
        for name in names:
            if name.endswith(".xml"):
                continue
            data = zf.read(name)
            size = png_size(data) if name.endswith(".png") else jpeg_size(data)
            if size is None:
                failures.append("%s: not a readable picture" % name)
            else:
                sizes[name] = size
        for name in names:
            if name.endswith(".xml"):
                check_layout(name, zf.read(name), sizes, failures)
        for name, size in sizes.items():
            if "@2x." not in name:
                continue
            stem = name.split("@2x.")[0]
            single = [n for n in sizes if "@2x." not in n and n.rsplit(".", 1)[0] == stem]
            if len(single) != 1:
                failures.append("%s: no picture %s.<ext> of the archive" % (name, stem))
            elif tuple(size) != (2 * sizes[single[0]][0], 2 * sizes[single[0]][1]):
                failures.append("%s is %dx%d, not twice %s (%dx%d)" % ((name,) + tuple(size) + (single[0],) + tuple(sizes[single[0]])))
        buttons = sizes.get("button.png", (0, 0))
        for square in OPTION_CHECK_SQUARES:
            if square[2] > buttons[0] or square[3] > buttons[1]:
                failures.append("button.png (%dx%d) lacks the square %s" % (buttons + (square,)))

    with tempfile.TemporaryDirectory() as tmp:
        pictures = os.path.join(tmp, "pictures")
        subprocess.run(["bash", os.path.join(source, "make_pictures.sh"), skin, pictures], check=True)
        again = os.path.join(tmp, os.path.basename(archive))
        inputs = [os.path.join(source, e) if e.endswith(".xml") else os.path.join(pictures, e) for e in manifest]
        subprocess.run([sys.executable, os.path.join(source, "pack_skin.py"), again] + inputs, check=True)
        with open(archive, "rb") as a, open(again, "rb") as b:
            if a.read() != b.read():
                failures.append("drawing and packing again gave different bytes")

    for f in failures:
        print("check_archive: " + f, file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

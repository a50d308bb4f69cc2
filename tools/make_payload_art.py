#!/usr/bin/python3
"""Draws the calendar's own images with ImageMagick (Debian's `convert`).

    /usr/bin/python3 tools/make_payload_art.py [OUT_DIR]

Writes, below OUT_DIR (default: app/ of this checkout):
  res/image/face/默认/  Min.png Minh.png close.png closeh.png bk.png bk1.png velt.png
  res/image/weather/   d0..d31 and d53, each as .png (with alpha) and .gif (1-bit alpha)
  velt.ico             the program icon (16, 32 and 48 pixels)

Every picture is drawn from the vector descriptions below; nothing is
downloaded or copied. Output is byte-identical from run to run: PNG files
carry no date or time chunks and no other metadata (-strip). Each PNG is then
stored by zopflipng (Debian's zopfli package), which picks the smallest
lossless form (a palette where the picture has at most 256 colours) and
compresses harder; the stored picture is checked to decode to the very pixels
drawn.
Exit status 0 on success; a failing `convert` stops the script with its status.
"""
import os
import subprocess
import sys

CONVERT = "convert"
PNG_OPTS = ["-strip", "-define", "png:exclude-chunks=date,time", "-define", "png:color-type=6"]
SIZE = 48  # weather icons


def run(args):
    subprocess.run([CONVERT] + args, check=True)


def png(args, path):
    """Draws `args` (a convert command without its output) into the PNG `path`."""
    drawn = path + ".drawn.png"
    run(args + PNG_OPTS + [drawn])
    subprocess.run(["zopflipng", "-y", "--iterations=5", drawn, path], check=True,
                   stdout=subprocess.DEVNULL)
    differ = subprocess.run(["compare", "-metric", "AE", drawn, path, "null:"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    os.remove(drawn)
    if differ.returncode != 0 or differ.stderr.strip() != "0":
        sys.exit("make_payload_art: %s does not keep the drawn pixels (%s)" % (path, differ.stderr.strip()))


# ---------------------------------------------------------------- weather ---

def sun(cx, cy, r, dim=False):
    core = "#f5c542" if not dim else "#d9c27a"
    ray = "#f0a020" if not dim else "#c8b070"
    d = ["-stroke", ray, "-strokewidth", "2.5", "-fill", "none"]
    import math
    for i in range(8):
        a = i * math.pi / 4
        x1, y1 = cx + math.cos(a) * (r + 3), cy + math.sin(a) * (r + 3)
        x2, y2 = cx + math.cos(a) * (r + 8), cy + math.sin(a) * (r + 8)
        d += ["-draw", "line %.1f,%.1f %.1f,%.1f" % (x1, y1, x2, y2)]
    d += ["-stroke", ray, "-strokewidth", "1.5", "-fill", core,
          "-draw", "circle %d,%d %d,%d" % (cx, cy, cx + r, cy)]
    return d


def cloud(x, y, w, fill="#f4f7fb", edge="#8fa3b8"):
    """A cloud whose flat bottom spans x..x+w at height y."""
    h = w * 0.42
    r1, r2, r3 = w * 0.22, w * 0.3, w * 0.2
    parts = [
        "circle %.1f,%.1f %.1f,%.1f" % (x + w * 0.28, y - h * 0.55, x + w * 0.28 + r1, y - h * 0.55),
        "circle %.1f,%.1f %.1f,%.1f" % (x + w * 0.55, y - h * 0.8, x + w * 0.55 + r2, y - h * 0.8),
        "circle %.1f,%.1f %.1f,%.1f" % (x + w * 0.8, y - h * 0.45, x + w * 0.8 + r3, y - h * 0.45),
        "roundrectangle %.1f,%.1f %.1f,%.1f %.1f,%.1f" % (x, y - h * 0.6, x + w, y, h * 0.3, h * 0.3),
    ]
    d = ["-stroke", edge, "-strokewidth", "2", "-fill", edge]
    for p in parts:
        d += ["-draw", p]
    d += ["-stroke", "none", "-fill", fill]
    for p in parts:
        d += ["-draw", p]
    return d


def drops(n, color="#2f7fd8", y=36, x0=12, span=26, length=7):
    d = ["-stroke", color, "-strokewidth", "2.5", "-fill", "none"]
    for i in range(n):
        x = x0 + (span * i / max(n - 1, 1) if n > 1 else span / 2)
        yy = y + (3 if i % 2 else 0)
        d += ["-draw", "line %.1f,%.1f %.1f,%.1f" % (x, yy, x - 3, yy + length)]
    return d


def flakes(n, y=38, x0=12, span=24, color="#5aa0e6"):
    d = ["-stroke", color, "-strokewidth", "1.6", "-fill", "none"]
    for i in range(n):
        cx = x0 + (span * i / max(n - 1, 1) if n > 1 else span / 2)
        cy = y + (4 if i % 2 else 0)
        for (dx, dy) in ((4, 0), (2, 3.5), (2, -3.5)):
            d += ["-draw", "line %.1f,%.1f %.1f,%.1f" % (cx - dx, cy - dy, cx + dx, cy + dy)]
    return d


def hail(n, y=39):
    d = ["-stroke", "#6b8fb5", "-strokewidth", "1.2", "-fill", "#ffffff"]
    for i in range(n):
        cx = 13 + 22 * i / max(n - 1, 1)
        d += ["-draw", "circle %.1f,%.1f %.1f,%.1f" % (cx, y + (3 if i % 2 else 0), cx + 2.6, y + (3 if i % 2 else 0))]
    return d


def bolt(x=22, y=28):
    pts = [(x + 4, y), (x - 3, y + 10), (x + 2, y + 10), (x - 2, y + 19), (x + 9, y + 6), (x + 4, y + 6), (x + 8, y)]
    return ["-stroke", "#c77d00", "-strokewidth", "1", "-fill", "#ffd21f",
            "-draw", "polygon " + " ".join("%d,%d" % p for p in pts)]


def fog(lines=4, color="#9aa6b2", y0=20):
    d = ["-stroke", color, "-strokewidth", "3", "-fill", "none"]
    for i in range(lines):
        y = y0 + i * 6
        off = 4 if i % 2 else 0
        d += ["-draw", "line %d,%d %d,%d" % (7 + off, y, 41 - (4 - off), y)]
    return d


def dust(n, color="#b8894a", y0=14):
    d = ["-stroke", "none", "-fill", color]
    for i in range(n):
        x = 9 + (i * 11) % 31
        y = y0 + (i * 7) % 26
        d += ["-draw", "circle %d,%d %d,%d" % (x, y, x + 2, y)]
    return d


def wind(color="#a0703a", y0=16, n=3):
    d = ["-stroke", color, "-strokewidth", "2.5", "-fill", "none"]
    for i in range(n):
        y = y0 + i * 8
        d += ["-draw", "path 'M 6,%d Q 22,%d 34,%d T 42,%d'" % (y, y - 5, y, y - 4)]
    return d


RAIN_CLOUD = dict(fill="#dfe6ee", edge="#7b8ea3")
DARK_CLOUD = dict(fill="#a9b4c0", edge="#56677a")
STORM_CLOUD = dict(fill="#7d8a98", edge="#3b4856")
DUST_CLOUD = dict(fill="#e0c89a", edge="#a0763c")

WEATHER = {
    0: sun(24, 24, 9),
    1: sun(17, 17, 7) + cloud(12, 38, 30),
    2: cloud(4, 30, 26, **DARK_CLOUD) + cloud(14, 40, 30, **RAIN_CLOUD),
    3: sun(16, 14, 6) + cloud(9, 32, 32, **RAIN_CLOUD) + drops(3),
    4: cloud(6, 28, 36, **DARK_CLOUD) + bolt() + drops(2, x0=10, span=24),
    5: cloud(6, 28, 36, **DARK_CLOUD) + bolt() + hail(3),
    6: cloud(6, 30, 36, **RAIN_CLOUD) + drops(2, x0=10, span=8) + flakes(1, x0=30, span=0),
    7: cloud(6, 30, 36, **RAIN_CLOUD) + drops(1),
    8: cloud(6, 30, 36, **RAIN_CLOUD) + drops(3),
    9: cloud(6, 30, 36, **DARK_CLOUD) + drops(5, span=28, x0=10),
    10: cloud(6, 30, 36, **STORM_CLOUD) + drops(5, span=28, x0=10, length=10),
    11: cloud(6, 30, 36, **STORM_CLOUD) + drops(6, span=30, x0=9, length=11, color="#1c5fb0"),
    12: cloud(6, 30, 36, **STORM_CLOUD) + drops(7, span=32, x0=8, length=12, color="#123f80"),
    13: sun(16, 14, 6) + cloud(9, 32, 32) + flakes(2, x0=16, span=16),
    14: cloud(6, 30, 36) + flakes(1),
    15: cloud(6, 30, 36) + flakes(2, x0=15, span=18),
    16: cloud(6, 30, 36) + flakes(3),
    17: cloud(6, 30, 36, **DARK_CLOUD) + flakes(4, x0=9, span=30, color="#2f7fd8"),
    18: cloud(8, 22, 32, **RAIN_CLOUD) + fog(3, y0=28),
    19: cloud(6, 30, 36, **RAIN_CLOUD) + drops(3, color="#53b0d8") + hail(2, y=44),
    20: cloud(6, 26, 36, **DUST_CLOUD) + wind(y0=32, n=2),
    21: cloud(6, 30, 36, **RAIN_CLOUD) + drops(2, x0=14, span=20),
    22: cloud(6, 30, 36, **RAIN_CLOUD) + drops(4, x0=11, span=26),
    23: cloud(6, 30, 36, **DARK_CLOUD) + drops(5, x0=10, span=28, length=9),
    24: cloud(6, 30, 36, **STORM_CLOUD) + drops(6, x0=9, span=30, length=10),
    25: cloud(6, 30, 36, **STORM_CLOUD) + drops(7, x0=8, span=32, length=11, color="#1c5fb0"),
    26: cloud(6, 30, 36) + flakes(2, x0=14, span=20, color="#7ab3ea"),
    27: cloud(6, 30, 36) + flakes(3, x0=10, span=28, color="#4a90dc"),
    28: cloud(6, 30, 36, **DARK_CLOUD) + flakes(4, x0=9, span=30, color="#2a6fc8"),
    29: dust(9),
    30: dust(6) + wind(n=3),
    31: cloud(6, 26, 36, fill="#c9a36a", edge="#7a5224") + wind(color="#7a5224", y0=32, n=2),
    53: sun(24, 20, 8, dim=True) + fog(4, color="#a8a29a", y0=22),
}


def weather(out):
    folder = os.path.join(out, "res", "image", "weather")
    os.makedirs(folder, exist_ok=True)
    for code, draw in sorted(WEATHER.items()):
        png_path = os.path.join(folder, "d%d.png" % code)
        gif = os.path.join(folder, "d%d.gif" % code)
        png(["-size", "%dx%d" % (SIZE, SIZE), "xc:none"] + draw, png_path)
        run([png_path, "-channel", "A", "-threshold", "50%", "+channel", gif])


# ------------------------------------------------------------------- face ---

def face(out):
    folder = os.path.join(out, "res", "image", "face", "默认")
    os.makedirs(folder, exist_ok=True)
    p = lambda n: os.path.join(folder, n)

    # Title-bar buttons, 30x24: a dash and a cross; the hot state has a plate.
    def button(name, glyph, plate):
        d = ["-size", "30x24", "xc:none"]
        if plate:
            d += ["-stroke", "none", "-fill", plate, "-draw", "roundrectangle 1,1 28,22 4,4"]
        d += ["-stroke", "#ffffff", "-strokewidth", "2", "-fill", "none"] + glyph
        png(d, p(name))

    dash = ["-draw", "line 10,13 20,13"]
    cross = ["-draw", "line 10,7 20,17", "-draw", "line 20,7 10,17"]
    button("Min.png", dash, None)
    button("Minh.png", dash, "#ffffff50")
    button("close.png", cross, None)
    button("closeh.png", cross, "#e0443a")

    # Window background, 380x420: a blue title band over a light body, round corners.
    png(["-size", "380x420", "xc:none",
         "-fill", "#f6f8fb", "-stroke", "#3d6fa8", "-strokewidth", "1",
         "-draw", "roundrectangle 0,0 379,419 8,8",
         "(", "-size", "380x44", "gradient:#3f7fc4-#2d5f9e", ")",
         "-geometry", "+0+0", "-compose", "src-atop", "-composite"], p("bk.png"))

    # Panel behind the month grid, 356x300: white, translucent border and shadow.
    png(["-size", "356x300", "xc:none",
         "-fill", "#00000018", "-stroke", "none", "-draw", "roundrectangle 2,3 355,299 6,6",
         "-fill", "#ffffffee", "-stroke", "#c9d6e6", "-strokewidth", "1",
         "-draw", "roundrectangle 0,0 353,296 6,6"], p("bk1.png"))

    # Logo, 24x24: a little tear-off calendar with a red band.
    png(logo_args(24), p("velt.png"))


def logo_args(n):
    s = n / 24.0
    f = lambda v: "%.1f" % (v * s)
    return ["-size", "%dx%d" % (n, n), "xc:none",
            "-fill", "#ffffff", "-stroke", "#2d5f9e", "-strokewidth", f(1.2),
            "-draw", "roundrectangle %s,%s %s,%s %s,%s" % (f(2), f(4), f(21.5), f(22), f(3), f(3)),
            "-fill", "#e0443a", "-stroke", "none",
            "-draw", "rectangle %s,%s %s,%s" % (f(2.6), f(4.6), f(21), f(9.5)),
            "-fill", "#2d5f9e",
            "-draw", "rectangle %s,%s %s,%s" % (f(6), f(2), f(7.5), f(7)),
            "-draw", "rectangle %s,%s %s,%s" % (f(16), f(2), f(17.5), f(7)),
            "-fill", "#2d5f9e",
            "-draw", "rectangle %s,%s %s,%s" % (f(6), f(12), f(9), f(14.5)),
            "-draw", "rectangle %s,%s %s,%s" % (f(10.5), f(12), f(13.5), f(14.5)),
            "-draw", "rectangle %s,%s %s,%s" % (f(15), f(12), f(18), f(14.5)),
            "-draw", "rectangle %s,%s %s,%s" % (f(6), f(16.5), f(9), f(19)),
            "-fill", "#e0443a",
            "-draw", "rectangle %s,%s %s,%s" % (f(10.5), f(16.5), f(13.5), f(19))]


def icon(out):
    tmp = [os.path.join(out, "velt-icon-%d.png" % n) for n in (16, 32, 48)]
    for n, path in zip((16, 32, 48), tmp):
        run(logo_args(n) + PNG_OPTS + [path])
    run(tmp + [os.path.join(out, "velt.ico")])
    for path in tmp:
        os.remove(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "app")
    face(out)
    weather(out)
    icon(out)
    return 0


if __name__ == "__main__":
    sys.exit(main())

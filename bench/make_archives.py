#!/usr/bin/python3
"""Makes the synthetic archives of the benchmark and unpacks each into a
staging folder, so that the NSIS installer can be built from the same files.

    make_archives.py OUTDIR

Writes OUTDIR/<name>.zip and OUTDIR/<name>/ (the files) for:
  scale-500, scale-1000, scale-2000, scale-4000: N files of 8 KiB each in
      folders of 50, to show how time grows with the number of entries;
  large: 3000 files of 4 KiB .. 256 KiB, about 300 MB in all, half of them
      incompressible, half text-like, in folders of 100.
Entries look like the payload's: MS-DOS host, archive attribute on files,
folder entries with the directory attribute, deflated files. The content is
pseudo-random from a fixed seed, so every run makes the same archives.
An archive that already exists is kept.
"""
import os
import random
import sys
import zipfile

WORDS = [b"calendar", b"month", b"weather", b"image", b"profile", b"window", b"setup",
         b"\xe6\x97\xa5\xe5\x8e\x86", b"install", b"archive", b"entry", b"folder"]


def content(rng, size, compressible):
    if not compressible:
        return rng.randbytes(size)
    out = bytearray()
    while len(out) < size:
        out += rng.choice(WORDS) + b" " + str(rng.randrange(100000)).encode() + b"\n"
    return bytes(out[:size])


def entries_for(name):
    rng = random.Random(name)
    if name.startswith("scale-"):
        count = int(name.split("-")[1])
        for i in range(count):
            yield "d%03d/f%05d.bin" % (i // 50, i), content(rng, 8192, i % 2 == 0)
    else:
        for i in range(3000):
            size = rng.choice([4096, 16384, 65536, 131072, 262144])
            yield "d%02d/f%05d.dat" % (i // 100, i), content(rng, size, i % 2 == 0)


def make(outdir, name):
    path = os.path.join(outdir, name + ".zip")
    staging = os.path.join(outdir, name)
    if os.path.exists(path) and os.path.isdir(staging):
        return
    tmp = path + ".tmp"
    folders = set()
    with zipfile.ZipFile(tmp, "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
        for entry, data in entries_for(name):
            folder = entry.rsplit("/", 1)[0] + "/"
            if folder not in folders:
                folders.add(folder)
                info = zipfile.ZipInfo(folder, (2026, 1, 1, 8, 0, 0))
                info.create_system = 0
                info.external_attr = 0x10
                z.writestr(info, b"", zipfile.ZIP_STORED)
            info = zipfile.ZipInfo(entry, (2026, 1, 1, 8, 0, 0))
            info.create_system = 0
            info.external_attr = 0x20
            z.writestr(info, data, zipfile.ZIP_DEFLATED)
            target = os.path.join(staging, *entry.split("/"))
            os.makedirs(os.path.dirname(target), exist_ok=True)
            with open(target, "wb") as f:
                f.write(data)
    os.replace(tmp, path)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    for name in ["scale-500", "scale-1000", "scale-2000", "scale-4000", "large"]:
        make(outdir, name)
        print("bench: archive %s ready" % name, flush=True)


if __name__ == "__main__":
    main()

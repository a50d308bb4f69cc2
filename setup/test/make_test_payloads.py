"""Makes the payload archives of Setup's test programs from the real one's
entry list, with tools/pack_payload.py, so that they have the payload's form:

  large    the payload's entries followed by COUNT files of 8 KiB in folders
           of 100 under "filler/" (half compressible), so that an installation
           takes long enough for a click to land in the middle of it;
  damaged  the payload itself with the bytes of its middle third scrambled:
           the directory reads, the entries there do not inflate.

Same inputs, same bytes (fixed seed, fixed times).

Usage: make_test_payloads.py --packer P --entries E --payload ZIP --work DIR
           --count N [--set NAME=VALUE ...]
Writes DIR/large.zip and DIR/damaged.zip. Exit status 0 on success.
"""
import argparse
import os
import random
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--packer", required=True)
    parser.add_argument("--entries", required=True)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--count", type=int, required=True)
    parser.add_argument("--set", action="append", default=[])
    args = parser.parse_args()

    filler = os.path.join(args.work, "filler")
    os.makedirs(filler, exist_ok=True)
    rng = random.Random("velt-setup-test")
    lines = open(args.entries, encoding="utf-8").read().rstrip("\n").split("\n")
    lines.append("filler/\tfolder")
    for i in range(args.count):
        folder = "d%03d" % (i // 100)
        if i % 100 == 0:
            lines.append("filler/%s/\tfolder" % folder)
            os.makedirs(os.path.join(filler, folder), exist_ok=True)
        path = os.path.join(filler, folder, "f%05d.bin" % i)
        data = rng.randbytes(8192) if i % 2 else (b"velt calendar filler %d\n" % i) * 340
        if not os.path.exists(path) or open(path, "rb").read() != data:
            with open(path, "wb") as f:
                f.write(data[:8192])
        lines.append("filler/%s/f%05d.bin\tdeflate\t%s" % (folder, i, path))
    large_entries = os.path.join(args.work, "large_entries.txt")
    with open(large_entries, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    command = [sys.executable, args.packer, "--entries", large_entries,
               "--output", os.path.join(args.work, "large.zip")]
    for value in args.set:
        command += ["--set", value]
    subprocess.run(command, check=True)

    data = bytearray(open(args.payload, "rb").read())
    for i in range(len(data) // 3, 2 * len(data) // 3):
        data[i] ^= 0x5A
    with open(os.path.join(args.work, "damaged.zip"), "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

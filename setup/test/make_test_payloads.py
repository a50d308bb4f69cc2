"""Makes the payload archives of Setup's test programs from the real one's
entry list, with tools/pack_payload.py, so that they have the payload's form.
Same inputs, same bytes (fixed seeds, fixed times).

Modes:
  standard (default)  writes WORK/large.zip and WORK/damaged.zip:
      large    the payload's entries followed by COUNT files of 8 KiB in
               folders of 100 under "filler/" (half compressible), so that an
               installation takes long enough for a click to land in the
               middle of it;
      damaged  the payload itself with the bytes of its middle third
               scrambled: the directory reads, the entries there do not
               inflate.
  fault    writes OUTPUT: "VELTFirst.bin" (64 MiB, incompressible) as the
           first entry, then the payload's entries, then COUNT files of 4 to
           64 KiB under "filler/" (half compressible), then "VELTLast.bin"
           (64 MiB) as the last entry: some hundreds of MB, so that the first
           and the last entry each take a noticeable time to write.
  scale    writes OUTPUT: the payload's entries followed by COUNT files of
           8 KiB under "filler/", as in large.

Usage: make_test_payloads.py --packer P --entries E --payload ZIP --work DIR
           --count N [--mode standard|fault|scale] [--output ZIP]
           [--set NAME=VALUE ...]
Exit status 0 on success.
"""
import argparse
import os
import random
import subprocess
import sys

BIG = 64 * 1024 * 1024


def write_if_changed(path, data):
    if not os.path.exists(path) or os.path.getsize(path) != len(data) or open(path, "rb").read() != data:
        with open(path, "wb") as f:
            f.write(data)


def filler_lines(work, count, sizes, seed):
    """Entry lines for COUNT filler files in folders of 100; writes the sources."""
    filler = os.path.join(work, "filler-" + seed)
    os.makedirs(filler, exist_ok=True)
    rng = random.Random(seed)
    lines = ["filler/\tfolder"]
    for i in range(count):
        folder = "d%03d" % (i // 100)
        if i % 100 == 0:
            lines.append("filler/%s/\tfolder" % folder)
            os.makedirs(os.path.join(filler, folder), exist_ok=True)
        size = sizes(rng, i)
        if i % 2:
            data = rng.randbytes(size)
        else:
            data = ((b"velt calendar filler %d\n" % i) * (size // 20 + 1))[:size]
        path = os.path.join(filler, folder, "f%05d.bin" % i)
        write_if_changed(path, data)
        lines.append("filler/%s/f%05d.bin\tdeflate\t%s" % (folder, i, path))
    return lines


def pack(args, lines, name, output):
    entries = os.path.join(args.work, name + "_entries.txt")
    with open(entries, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    command = [sys.executable, args.packer, "--entries", entries, "--output", output, "--zlib"]
    for value in args.set:
        command += ["--set", value]
    subprocess.run(command, check=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--packer", required=True)
    parser.add_argument("--entries", required=True)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--count", type=int, required=True)
    parser.add_argument("--mode", choices=["standard", "fault", "scale"], default="standard")
    parser.add_argument("--output")
    parser.add_argument("--set", action="append", default=[])
    args = parser.parse_args()
    os.makedirs(args.work, exist_ok=True)
    payload = open(args.entries, encoding="utf-8").read().rstrip("\n").split("\n")

    if args.mode == "fault":
        rng = random.Random("velt-setup-fault")
        first = os.path.join(args.work, "VELTFirst.bin")
        last = os.path.join(args.work, "VELTLast.bin")
        write_if_changed(first, rng.randbytes(BIG))
        write_if_changed(last, rng.randbytes(BIG))
        lines = ["VELTFirst.bin\tdeflate\t%s" % first] + payload
        lines += filler_lines(args.work, args.count, lambda r, i: r.choice([4096, 16384, 32768, 65536]), "fault")
        lines.append("VELTLast.bin\tdeflate\t%s" % last)
        pack(args, lines, "fault", args.output)
        return 0
    if args.mode == "scale":
        lines = payload + filler_lines(args.work, args.count, lambda r, i: 8192, "scale")
        pack(args, lines, "scale-%d" % args.count, args.output)
        return 0

    lines = payload + filler_lines(args.work, args.count, lambda r, i: 8192, "velt-setup-test")
    pack(args, lines, "large", os.path.join(args.work, "large.zip"))
    data = bytearray(open(args.payload, "rb").read())
    for i in range(len(data) // 3, 2 * len(data) // 3):
        data[i] ^= 0x5A
    with open(os.path.join(args.work, "damaged.zip"), "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())

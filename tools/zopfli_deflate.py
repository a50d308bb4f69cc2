"""Raw deflate streams made by zopfli (Debian's zopfli package), for the zip
archives the build writes: the payload, the skin archives and the kit.

zopfli searches much harder than zlib at level 9 for the same deflate format,
so every inflate reader (minizip and zlib in Setup, the window library, any
unzip tool) reads its output; files come out a few percent smaller. It is
deterministic: the same input gives the same bytes.

    deflate_file(path) -> bytes   the raw deflate stream of the file's bytes
Raises OSError when zopfli is missing or fails.
"""
import shutil
import subprocess

ITERATIONS = 5  # more buys nothing measurable on our files and costs time


def deflate_file(path):
    zopfli = shutil.which("zopfli")
    if zopfli is None:
        raise OSError("zopfli is missing (tools/bootstrap.sh installs it)")
    run = subprocess.run([zopfli, "--deflate", "--i%d" % ITERATIONS, "-c", path],
                         stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if run.returncode != 0:
        raise OSError("zopfli failed on %s: %s" % (path, run.stderr.decode(errors="replace").strip()))
    return run.stdout

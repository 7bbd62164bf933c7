#!/usr/bin/env python3
"""Generates the archive benchmark's data (once; kept when present):

  OUT/zipsrc/dNN/fNNNN.txt   10,000 files of 10,000 bytes in 100 folders
  OUT/lzhsrc/dNN/fNNNN.txt   2,000 files of 10,000 bytes in 20 folders
  OUT/bench.zip              the zipsrc files, deflated (Python's zipfile)
  OUT/bench.lzh              the lzhsrc files, -lh5-, level-2 headers (tests/fixtures/lzh_writer.py)

usage: gen_archives.py OUT
"""
import os
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(HERE), "tests", "fixtures"))
import lzh_writer  # noqa: E402

WORDS = [b"alpha ", b"beta ", b"gamma ", b"delta\r\n", b"0123456789 ", b"zel32 ", b"window ", b"archive "]


def content(n, size=10000):
    out = bytearray()
    x = n * 2654435761 & 0xFFFFFFFF
    while len(out) < size:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out += WORDS[(x >> 16) % len(WORDS)]
        if (x >> 9) & 7 == 0:
            out += b"%d" % x
    return bytes(out[:size])


def make(out, kind, files, per_folder):
    src = os.path.join(out, kind + "src")
    names = []
    for i in range(files):
        rel = "d%02d/f%04d.txt" % (i // per_folder, i)
        names.append(rel)
        path = os.path.join(src, rel)
        if not os.path.exists(path):
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(content(i))
    return src, names


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    src, names = make(out, "zip", 10000, 100)
    target = os.path.join(out, "bench.zip")
    if not os.path.exists(target):
        with zipfile.ZipFile(target + ".part", "w", zipfile.ZIP_DEFLATED, compresslevel=6) as z:
            for rel in names:
                z.write(os.path.join(src, rel), rel)
        os.replace(target + ".part", target)
    src, names = make(out, "lzh", 2000, 100)
    target = os.path.join(out, "bench.lzh")
    if not os.path.exists(target):
        entries = []
        for rel in names:
            with open(os.path.join(src, rel), "rb") as f:
                entries.append(lzh_writer.entry(rel.replace("/", "\\"), f.read(), "-lh5-", 2))
        with open(target + ".part", "wb") as f:
            f.write(lzh_writer.archive(entries))
        os.replace(target + ".part", target)


if __name__ == "__main__":
    main()

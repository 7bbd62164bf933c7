#!/usr/bin/env python3
"""Generates a large folder tree for the benchmarks.

usage: gen_tree.py TARGET [--entries N] [--big N] [--huge N]

TARGET gets:
  tree/        about N entries (default 100,000) in nested folders, including
               tree/big with --big files (default 20,000) in one folder;
  huge/        one folder of --huge files (default 80,000), for the growth
               test (0 leaves it out).
File names mix ASCII and Japanese; last-write times are spread over a year.
A tree that already matches the arguments is kept (a stamp file records them).
"""
import argparse
import os
import random
import shutil

NAMES = ["data", "設定", "readme", "ファイル", "image", "画像", "setup", "ポソ表", "lib", "記録"]
EXTS = [".txt", ".dll", ".exe", ".ini", ".bmp", ".dat", ""]


def touch(path, when):
    with open(path, "wb") as f:
        f.write(b"x")
    os.utime(path, (when, when))


def make_tree(root, entries, big, rng):
    base_time = 1_700_000_000
    made = 0
    big_dir = os.path.join(root, "big")
    os.makedirs(big_dir)
    for i in range(big):
        touch(os.path.join(big_dir, "f%06d_%s%s" % (i, rng.choice(NAMES), rng.choice(EXTS))),
              base_time + rng.randrange(31_536_000))
    made += big + 1
    folder_id = 0
    while made < entries:
        depth = rng.randrange(1, 5)
        parts = ["d%04d_%s" % (folder_id + k, rng.choice(NAMES)) for k in range(depth)]
        folder = os.path.join(root, *parts)
        new = 0
        probe = root
        for p in parts:
            probe = os.path.join(probe, p)
            if not os.path.isdir(probe):
                new += 1
        os.makedirs(folder, exist_ok=True)
        folder_id += depth
        made += new
        count = min(rng.randrange(5, 60), entries - made)
        for i in range(count):
            touch(os.path.join(folder, "%s_%03d%s" % (rng.choice(NAMES), i, rng.choice(EXTS))),
                  base_time + rng.randrange(31_536_000))
        made += count
    return made


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("target")
    ap.add_argument("--entries", type=int, default=100_000)
    ap.add_argument("--big", type=int, default=20_000)
    ap.add_argument("--huge", type=int, default=80_000)
    args = ap.parse_args()
    stamp_path = os.path.join(args.target, ".stamp")
    stamp = "%d %d %d" % (args.entries, args.big, args.huge)
    if os.path.exists(stamp_path) and open(stamp_path).read() == stamp:
        print("tree kept: " + args.target)
        return
    shutil.rmtree(args.target, ignore_errors=True)
    os.makedirs(args.target)
    rng = random.Random(20261206)
    made = make_tree(os.path.join(args.target, "tree"), args.entries, args.big, rng)
    if args.huge:
        huge = os.path.join(args.target, "huge")
        os.makedirs(huge)
        for i in range(args.huge):
            touch(os.path.join(huge, "h%06d_%s.dat" % (i, rng.choice(NAMES))), 1_700_000_000 + i)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    print("tree made: %d entries in tree/, %d in huge/" % (made, args.huge))


if __name__ == "__main__":
    main()

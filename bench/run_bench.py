#!/usr/bin/env python3
"""Runs the benchmarks in a sandboxed machine.

usage: bench/run_bench.py [--entries N] [--big N] [--huge N] [--repeats N]
                          [--only listing|check|store|system|archive] [--build DIR]

listing_bench times the folder listings against a bare walk; check_bench
times the check and the wash of the tree, unchanged and with 10,000 files
added, and of one folder of 20,000 and one of 80,000 files; store_bench
times saving and loading the snapshot of the tree against writing and reading
as many bytes, and counts the heap both need; system_bench times the system
save and compare of a Windows folder of 50,000 files (its own tree, drive E:)
against a bare walk; archive_bench times the program's own extraction of a
ZIP of 10,000 files (100 MB) and an LZH of 2,000 files (20 MB) against
copying the same files (bench/gen_archives.py, drive F:).

The tree is generated (once) in build/win64/bench-data and given to the
machine as drive D: (a fixed disk). Build first with scripts/test.sh or
    cmake --build build/win64 --target listing_bench store_bench
"""
import argparse
import os
import shutil
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BUILD = os.path.join(ROOT, "build", "win64")
sys.path.insert(0, os.path.join(ROOT, "scripts"))
import sandbox  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--entries", type=int, default=100_000)
    ap.add_argument("--big", type=int, default=20_000)
    ap.add_argument("--huge", type=int, default=80_000)
    ap.add_argument("--repeats", type=int, default=5)
    ap.add_argument("--only", choices=["listing", "check", "store", "system", "archive", "registry"])
    ap.add_argument("--reg-keys", type=int, default=20_000, help="generated registry keys of ten values each")
    ap.add_argument("--build", default=BUILD)
    args = ap.parse_args()
    build = args.build
    data = os.path.join(build, "bench-data")
    if args.only not in ("system", "archive", "registry"):
        subprocess.run([sys.executable, os.path.join(HERE, "gen_tree.py"), data, "--entries", str(args.entries),
                        "--big", str(args.big), "--huge", str(args.huge)], check=True)
    system_data = os.path.join(build, "bench-data-system")
    if args.only in (None, "system"):
        subprocess.run([sys.executable, os.path.join(HERE, "gen_tree.py"), system_data, "--entries", "54000",
                        "--big", "5000", "--huge", "0"], check=True)
    archive_data = os.path.join(build, "bench-data-archives")
    if args.only in (None, "archive"):
        subprocess.run([sys.executable, os.path.join(HERE, "gen_archives.py"), archive_data], check=True)
    box = sandbox.Sandbox.fresh(build, "bench")
    try:
        for letter, folder in (("D", data), ("E", system_data), ("F", archive_data)):
            if os.path.isdir(folder):
                box.add_drive(letter, folder, "hd")
        box.kill()
        box.start_server()
        target = box.unix_path("C:\\zeltest")
        os.makedirs(target, exist_ok=True)
        runs = {
            "listing": ["C:\\zeltest\\listing_bench.exe", "D:\\tree", "D:\\huge", "D:\\tree\\big"],
            "check": ["C:\\zeltest\\check_bench.exe", "D:\\tree", "D:\\huge", "D:\\tree\\big"],
            "store": ["C:\\zeltest\\store_bench.exe", "D:\\tree", "D:\\tree\\big", "C:\\zeltest\\work"],
            "system": ["C:\\zeltest\\system_bench.exe", "E:\\tree", "C:\\zeltest\\set"],
            "archive": ["C:\\zeltest\\archive_bench.exe", "F:", "C:\\zeltest\\unpack"],
            "registry": ["C:\\zeltest\\registry_bench.exe", str(args.reg_keys)],
        }
        code = 0
        for name, command in runs.items():
            if args.only and name != args.only:
                continue
            shutil.copy2(os.path.join(build, "benchbin", name + "_bench.exe"), target)
            print("== " + name + "_bench", flush=True)
            proc = box.run(command + [str(args.repeats)], timeout=3600, check=False)
            sys.stdout.write(proc.stdout.decode("utf-8", errors="replace"))
            sys.stdout.flush()
            code = code or proc.returncode
        return code
    finally:
        box.kill()


if __name__ == "__main__":
    sys.exit(main())

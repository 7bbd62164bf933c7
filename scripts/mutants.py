#!/usr/bin/env python3
"""Plants faults in the check, the wash and the snapshot one at a time,
rebuilds the host tree and runs the unit tests: each fault must make the
tests fail. The source is put back after each, whatever happens.

    scripts/mutants.py              every fault
    scripts/mutants.py 3 7          only those (numbers as printed)

Needs a configured host tree (build/host). Exit status 1 when a fault
survives, 2 when a fault no longer applies (its text is gone from the source).
"""
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build", "host")
TESTS = os.path.join(BUILD, "tests", "unit", "zel_unit_tests")

# (file, text, replacement, the fault it plants)
MUTANTS = [
    ("src/check/changes.cpp",
     "if (*recorded == e.lastWrite) return;",
     "if (*recorded <= e.lastWrite) return;",
     "check: a file newer than its recorded time counts as unchanged"),
    ("src/wash/wash.cpp",
     "const FsError error = m_.fs.RemoveFile(f.path);",
     "const FsError error = FsError::None;",
     "wash: an added file is not deleted"),
    ("src/wash/wash.cpp",
     "    if (f.keep) {\n      Write(WashLine(f, false), true);\n      return;\n    }\n",
     "",
     "wash: the keep rule (lossy names, folders older than the snapshot) skipped"),
    ("src/wash/delete_tree.cpp",
     "e.creation < keeping.takenAt",
     "e.creation > keeping.takenAt",
     "wash: a folder inside an added one kept when new, deleted when older than the snapshot"),
    ("src/wash/delete_tree.cpp",
     "    if (e.IsReparsePoint()) {\n      // A link",
     "    if (false) {\n      // A link",
     "wash: a link to a folder is followed and what it leads to deleted"),
    ("src/snapshot/listing.cpp",
     "const bool descend = ctx.checkLevel >= 2 || outermost;",
     "const bool descend = ctx.checkLevel >= 1 || outermost;",
     "snapshot: the subfolder listing goes one level deeper than its check level"),
    ("src/snapshot/listing.cpp",
     "if (error != FsError::None && error != FsError::NotFound && error != FsError::PathNotFound) {",
     "if (false) {",
     "snapshot: a folder that cannot be read is listed as empty"),
    ("src/snapshot/snapshot_codec.cpp",
     "if (sum != data.size() - kDataOffset) return false;",
     "if (sum > data.size() - kDataOffset) return false;",
     "snapshot: a file longer than its lengths say is accepted"),
    ("src/registry/value_check.cpp",
     "if (rv.type != v.type || r_.ValueData(rv) != v.data) {",
     "if (rv.type != v.type) {",
     "registry check: a value whose data changed but not its type is not listed"),
    ("src/registry/value_wash.cpp",
     "      return RestoreKey(reg, info, r, f.recorded, f.key);",
     "      return Outcome::Done;",
     "registry wash: a deleted key is reported restored but not written back"),
]


def run(args, **kw):
    return subprocess.run(args, cwd=ROOT, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def build():
    return run(["cmake", "--build", BUILD, "--target", "zel_unit_tests"])


def failing_tests():
    """The names of the failing unit tests; empty when all pass. A run that
    ends without its summary (a crash, a hang) fails as a whole."""
    try:
        proc = run([TESTS], timeout=600)
    except subprocess.TimeoutExpired:
        return ["(the tests did not end within 10 minutes)"]
    failed = sorted({line.split("]", 1)[1].split("(")[0].strip()
                     for line in proc.stdout.splitlines() if line.startswith("[  FAILED  ]") and "." in line})
    if proc.returncode != 0 and not failed:
        lines = [l for l in proc.stdout.splitlines() if l.startswith("[ RUN      ]")]
        failed = ["(a crash, exit %d, in %s)" % (proc.returncode, lines[-1][13:] if lines else "the start")]
    return failed


def main():
    chosen = [int(a) for a in sys.argv[1:]] or range(1, len(MUTANTS) + 1)
    if build().returncode != 0 or failing_tests():
        print("the unmutated tree must build and pass first")
        return 2
    status = 0
    for number in chosen:
        path, text, replacement, fault = MUTANTS[number - 1]
        full = os.path.join(ROOT, path)
        with open(full, encoding="utf-8", newline="") as f:
            original = f.read()
        if original.count(text) != 1:
            print("%2d  NOT APPLIED  %s (%s: the text is not there once)" % (number, fault, path))
            status = max(status, 2)
            continue
        try:
            with open(full, "w", encoding="utf-8", newline="") as f:
                f.write(original.replace(text, replacement))
            made = build()
            if made.returncode != 0:
                print("%2d  NOT BUILT    %s\n%s" % (number, fault, made.stdout[-2000:]))
                status = max(status, 2)
                continue
            failed = failing_tests()
            if failed:
                shown = ", ".join(failed[:3]) + (" and %d more" % (len(failed) - 3) if len(failed) > 3 else "")
                print("%2d  killed       %s\n                 by %s" % (number, fault, shown))
            else:
                print("%2d  SURVIVED     %s" % (number, fault))
                status = 1
        finally:
            with open(full, "w", encoding="utf-8", newline="") as f:
                f.write(original)
    build()
    clean = run(["git", "diff", "--quiet", "--", "src"]).returncode == 0
    print("source restored: %s" % ("yes (git diff --quiet src)" if clean else "NO"))
    return status if clean else 2


if __name__ == "__main__":
    sys.exit(main())

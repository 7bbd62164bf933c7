#!/usr/bin/env python3
"""Starts Zel32.exe in a fresh sandboxed machine (build/win64/sandbox/run).

With a display the program opens on it for a person to use, and this waits
until it ends. Without one it runs the program's whole job on a virtual
display with the installer-like fixture: start, snapshot, test, check, wash.
It prints the wash list and the wash's lines, saves screenshots of the window
after the check and after the wash, and compares the files of drive C: before
the test and after the wash against a printed list of what may differ.
"""
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
BUILD = os.path.join(ROOT, "build", "win64")
os.environ.setdefault("ZEL_BUILD", BUILD)
os.environ.setdefault("ZEL_SOURCE", ROOT)
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))
import sandbox  # noqa: E402
import zeltest  # noqa: E402
from cycle import ALLOWED, Cycle  # noqa: E402


def show(title, lines):
    print("\n== " + title)
    for line in lines:
        print("  " + line)


def interactive(display):
    box = sandbox.Sandbox.fresh(BUILD, "run", display)
    try:
        box.start_server()
        exe = box.install(os.path.join(BUILD, "bin"))
        print("ゼルカ: %s in the sandboxed machine %s" % (exe, box.prefix))
        print("running on display %s; close its window to end" % display)
        box.start([exe]).wait()
        return 0
    finally:
        box.kill()
        box.verify()


def whole_cycle():
    holder = unittest.TestCase()
    try:
        cycle = Cycle(zeltest.Machine.fresh(holder, "run"))
        m = cycle.machine
        print("ゼルカ: the whole cycle in the sandboxed machine %s" % m.box.prefix)
        cycle.prepare()
        print("files of C: before the test: %d" % len(cycle.before))
        cycle.start()
        print("snapshot prepared; testing C:\\fixtures\\zelsetup.exe (an installer-like program)")
        cycle.run_fixture()
        check = cycle.check()
        shot_check = m.screenshot("run-after-check")
        show("wash list (the check)", check)
        wash, questions = cycle.wash()
        shot_wash = m.screenshot("run-after-wash")
        show("questions answered during the wash", [q.replace("\n", " ") for q in questions])
        show("wash lines", wash)
        print("\nscreenshots: %s\n             %s" % (shot_check, shot_wash))
        cycle.zel.close()

        added, removed, changed, kept = cycle.difference()
        show("allowed to differ after the wash", ["%s  (%s)" % (p, why) for p, why in ALLOWED])
        print("  %d entries differ there" % len(kept))
        show("added since before the test", added or ["(none)"])
        show("removed since before the test", removed or ["(none)"])
        show("changed since before the test", changed or ["(none)"])
        same = not (added or removed or changed)
        print("\n%s" % ("drive C: after the wash equals drive C: before the test, but for the allowed entries"
                        if same else "drive C: differs from before the test"))
        return 0 if same else 1
    finally:
        holder.doCleanups()


def main():
    display = os.environ.get("DISPLAY")
    return interactive(display) if display else whole_cycle()


if __name__ == "__main__":
    sys.exit(main())

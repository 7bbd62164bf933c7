#!/usr/bin/env python3
"""Starts Zel32.exe in a fresh sandboxed machine (build/win64/sandbox/run).

With a display the program opens on it for a person to use, and this waits
until it ends. Without one it runs the program's whole job on a virtual
display, twice, each time in a fresh machine: with the installer-like fixture
that changes one thing of every kind (zelsetup.exe), and with the one that
writes into every known folder of a present-day Windows (modernsetup.exe)
followed by its registry half (zelreg.exe: values of every type in both
views, autostart, a service, a file type, an uninstall entry, a changed and a
deleted value of the user's), after a check of the untouched machine. Each time: start, snapshot, test,
check, wash. It prints the wash list and the wash's lines, saves screenshots
of the window after the check and after the wash, and compares the files of
drive C: before the test and after the wash against a printed list of what
may differ.
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


def whole_cycle(program="zelsetup.exe"):
    holder = unittest.TestCase()
    try:
        cycle = Cycle(zeltest.Machine.fresh(holder, "run"))
        m = cycle.machine
        print("\nゼルカ: the whole cycle with %s in the sandboxed machine %s" % (program, m.box.prefix))
        if program != "zelsetup.exe":
            m.install_fixture(program, "C:\\fixtures")
            m.install_fixture("zelreg.exe", "C:\\fixtures")
        cycle.prepare()
        if program != "zelsetup.exe":
            cycle.plant_user_values()
        print("files of C: before the test: %d" % len(cycle.before))
        cycle.start()
        if program != "zelsetup.exe":
            m.drv("click", zeltest.MAIN_TITLE, "確認")
            cycle.zel.wait_status("ファイル名をクリックして下さい")
            show("the check of the untouched machine", cycle.zel.console())
        print("snapshot prepared; testing C:\\fixtures\\%s (an installer-like program)" % program)
        cycle.run_fixture(program)
        if program != "zelsetup.exe":
            print("and C:\\fixtures\\zelreg.exe, the registry half of a present-day installer")
            cycle.run_registry_fixture()
        check = cycle.check()
        shot_check = m.screenshot("run-%s-after-check" % program[:-4])
        show("wash list (the check)", check)
        wash, questions = cycle.wash()
        shot_wash = m.screenshot("run-%s-after-wash" % program[:-4])
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
    if display:
        return interactive(display)
    return max(whole_cycle("zelsetup.exe"), whole_cycle("modernsetup.exe"))


if __name__ == "__main__":
    sys.exit(main())

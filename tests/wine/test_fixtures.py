"""The fixture programs refuse to run anywhere but in the sandboxed machine:
without the sandbox's marker they write nothing at all. What they do when they
run is asserted by the tests that run them under the program (launch, cycle,
wash traps, present day)."""
import os

from zeltest import SANDBOX_MARKER, E2ETest, Machine, sandbox

FOLDER = "C:\\fixtures"


class _ClassScope:
    """Lets Machine.fresh register its shutdown as a class cleanup."""

    def __init__(self, cls):
        self.addCleanup = cls.addClassCleanup


class FixtureProgramsTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.machine = m = Machine.fresh(_ClassScope(cls), "fixtures")
        cls.fixapp = m.install_fixture("fixapp.exe", FOLDER)
        cls.fixdialog = m.install_fixture("fixdialog.exe", FOLDER)
        cls.libapp = m.install_fixture("libapp", FOLDER)
        cls.zelsetup = m.install_fixture("zelsetup.exe", FOLDER)

    def run_quietly(self, exe, *args):
        return self.machine.box.run([exe] + list(args), check=False, timeout=60).returncode

    def test_every_fixture_refuses_to_run_without_the_marker(self):
        m = self.machine
        marker = m.path(SANDBOX_MARKER)
        aside = m.path(SANDBOX_MARKER + ".aside")
        os.rename(marker, aside)
        try:
            before = m.box.manifest()
            for exe, args in ((self.fixapp, ["/write", "C:\\fixtures\\refused.dat", "1"]), (self.fixdialog, []),
                              (self.libapp, []), (self.zelsetup, ["/delay=0"])):
                self.assertEqual(self.run_quietly(exe, *args), 99, exe)
            # A folder of the marker's name is no marker either.
            os.mkdir(marker)
            self.assertEqual(self.run_quietly(self.zelsetup, "/delay=0"), 99)
            os.rmdir(marker)
            # Nothing written: no file of a step, no log, not even a truncated one.
            self.assertEqual(sandbox.manifest_diff(before, m.box.manifest()), ([], [], [], []), "changed on drive C:")
        finally:
            if os.path.isdir(marker):
                os.rmdir(marker)
            os.rename(aside, marker)


if __name__ == "__main__":
    import unittest
    unittest.main()

"""The fixture programs refuse to run anywhere but in the sandboxed machine:
without the sandbox's marker they write nothing at all. What they do when they
run is asserted by the tests that run them under the program (launch, cycle,
wash traps, present day)."""
import os

from zeltest import SANDBOX_MARKER, E2ETest, Machine, sandbox


class FixtureProgramsTest(E2ETest):
    def test_every_fixture_refuses_to_run_without_the_marker(self):
        m = Machine.fresh(self, "fixtures")
        runs = [(m.install_fixture(name, "C:\\fixtures"), args) for name, args in (
            ("fixapp.exe", ["/write", "C:\\fixtures\\refused.dat", "1"]), ("fixdialog.exe", []),
            ("libapp", []), ("zelsetup.exe", ["/delay=0"]))]
        marker = m.path(SANDBOX_MARKER)
        os.rename(marker, marker + ".aside")
        try:
            before = m.box.manifest()
            for exe, args in runs:
                self.assertEqual(m.box.run([exe] + args, check=False, timeout=60).returncode, 99, exe)
            # A folder of the marker's name is no marker either.
            os.mkdir(marker)
            self.assertEqual(m.box.run([runs[-1][0], "/delay=0"], check=False, timeout=60).returncode, 99)
            os.rmdir(marker)
            # Nothing written: no file of a step, no log, not even a truncated one.
            self.assertEqual(sandbox.manifest_diff(before, m.box.manifest()), ([], [], [], []), "changed on drive C:")
        finally:
            if os.path.isdir(marker):
                os.rmdir(marker)
            os.rename(marker + ".aside", marker)


if __name__ == "__main__":
    import unittest
    unittest.main()

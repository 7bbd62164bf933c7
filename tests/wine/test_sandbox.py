"""The sandboxed machine itself: nothing a run of the program can reach lies outside the build tree,
and the fixture programs, without the sandbox's marker, refuse to run and write nothing at all."""
import os
import unittest

from zeltest import BUILD, SANDBOX_MARKER, E2ETest, sandbox


class SandboxTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.machine = cls.class_machine("sandbox", drives=[("D", "hd", 0x1234)])

    def test_a_fresh_machine_reaches_nothing_outside_the_build_tree_and_the_check_says_so(self):
        machine = self.machine
        box = machine.box
        dosdevices = os.listdir(os.path.join(box.prefix, "dosdevices"))
        self.assertIn("c:", dosdevices)
        self.assertNotIn("z:", dosdevices)
        for name in dosdevices:
            self.assertTrue(name in ("c:", "d:") or name.startswith(("com", "lpt")), name)
        # The user folders are real folders, not links into a home folder.
        for folder in ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"):
            path = machine.path("C:\\users\\%s\\%s" % (os.environ.get("USER", "root"), folder))
            self.assertTrue(os.path.isdir(path) and not os.path.islink(path), path)
        # From inside, Z: does not exist and the added drive is the build tree's folder.
        code, _ = machine.drv("attrib", "Z:\\", check=False)
        self.assertEqual(code, 1)
        os.makedirs(os.path.join(machine.drive_folder("D"), "data"), exist_ok=True)
        with open(os.path.join(machine.drive_folder("D"), "marker.txt"), "w") as f:
            f.write("x")
        self.assertEqual(machine.drv("attrib", "D:\\marker.txt")[0], 0)
        self.assertTrue(os.path.realpath(machine.drive_folder("D")).startswith(os.path.realpath(BUILD)))
        # A link planted from Linux is a folder with the reparse-point
        # attribute inside: what the walks take as "never enter".
        os.symlink(os.path.join(machine.drive_folder("D"), "data"), machine.path("C:\\linked"))
        attributes = int(machine.drv("attrib", "C:\\linked")[1], 16)
        self.assertEqual(attributes & 0x410, 0x410)
        # That a program's run adds no way out either is checked as every
        # machine shuts down (Machine.shutdown); that check notices one.
        trap = os.path.join(box.prefix, "drive_c", "users", "trap")
        os.symlink("/", trap)
        try:
            with self.assertRaises(sandbox.SandboxError):
                box.verify()
        finally:
            os.unlink(trap)
        with self.assertRaises(sandbox.SandboxError):
            box.add_drive("E", "/tmp", "hd")

    def test_every_fixture_refuses_to_run_without_the_marker(self):
        m = self.machine
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
    unittest.main()

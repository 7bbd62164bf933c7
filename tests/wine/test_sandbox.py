"""The sandboxed machine itself: nothing a run of the program can reach lies
outside the build tree."""
import os
import unittest

from zeltest import BUILD, E2ETest, Machine, sandbox


class SandboxTest(E2ETest):
    def test_a_fresh_machine_reaches_nothing_outside_the_build_tree(self):
        machine = Machine.fresh(self, "sandbox", drives=[("D", "hd", 0x1234)])
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
        # machine shuts down (Machine.shutdown).

    def test_the_check_itself_notices_a_way_out(self):
        machine = Machine.fresh(self, "sandbox-trap")
        trap = os.path.join(machine.box.prefix, "drive_c", "users", "trap")
        os.symlink("/", trap)
        try:
            with self.assertRaises(sandbox.SandboxError):
                machine.box.verify()
        finally:
            os.unlink(trap)
        with self.assertRaises(sandbox.SandboxError):
            machine.box.add_drive("E", "/tmp", "hd")


if __name__ == "__main__":
    unittest.main()

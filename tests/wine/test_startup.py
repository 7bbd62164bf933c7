"""Start-up of the real Zel32.exe in the sandboxed machine: the work folder
(the 98 kind's: test_system_save), the files prepared beside Windows, the
single instance and the refusals that end the program at once."""
import os
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine


class FirstStartTest(E2ETest):
    def test_first_start_on_the_nt_kind_then_a_second_start_and_a_restart(self):
        machine = Machine.fresh(self, "startup-xp")
        machine.install(ini="[Options]\nCheckLevel= 1\n")
        zel = machine.start_zel()

        # The NT-family notice comes once, before the snapshot is prepared.
        box = zel.answer("はい", about="アンインストーラーの付属していないソフト")
        self.assertIn("ゼルカで修復することはできません\n\n続行しますか？", box["all_text"])
        self.assertIn("はい", box["buttons"])
        self.assertIn("いいえ", box["buttons"])
        zel.wait_ready()
        machine.screenshot("startup-main-window")

        # The work folder of the kind, with the shipped settings copied in and
        # what the start learnt written to them.
        self.assertTrue(os.path.isdir(machine.path("C:\\Zel32\\WinXP\\Backup")))
        self.assertFalse(machine.exists("C:\\Zel32\\Win98"))
        self.assertEqual(machine.read_ini("Options", "CheckLevel"), "1")
        self.assertEqual(machine.read_ini("Options", "BootDrive"), "C:\\")
        self.assertEqual(machine.read_ini("Options", "Query2000"), "-1")

        # The MS-DOS support files beside Windows: the program's PIF, hidden.
        pif = machine.read_bytes("C:\\windows\\PIF\\LHA.PIF")
        with open(os.path.join(machine.box.build_root, "bin", "ZEL32.PIF"), "rb") as f:
            self.assertEqual(pif, f.read())
        attributes = int(machine.drv("attrib", "C:\\windows\\PIF\\LHA.PIF")[1], 16)
        self.assertEqual(attributes & 7, 7, "read-only, hidden and system")
        self.assertEqual(machine.read_bytes("C:\\windows\\PIF\\ZEL32.BAT"), b"CD \\\r\n")

        # A second start ends at once and leaves the first window alone.
        second = machine.start_zel()
        self.assertTrue(second.ended(20), "a second instance kept running")
        titles = [w for w in machine.windows() if w.split("\t")[1:3] == ["ZelForm", "visible"]]
        self.assertEqual(len(titles), 1)

        zel.close()

        # The next start asks nothing: the notice was accepted once.
        again = machine.start_zel()
        again.wait_window()
        self.assertIsNone(again.message_box(timeout_ms=1500))
        again.wait_ready()
        again.close()


class RefusalTest(E2ETest):
    def test_a_drive_root_and_a_missing_pif_end_the_program_silently(self):
        machine = Machine.fresh(self, "startup-refusals", drives=[("D", "hd", 0x5150)])
        os.makedirs(os.path.join(machine.drive_folder("D"), "data"), exist_ok=True)

        # In a drive root: ends at once, creates nothing.
        machine.install(folder="D:")
        root_start = machine.start_zel("D:\\Zel32.exe")
        self.assertTrue(root_start.ended(20))
        self.assertFalse(machine.exists("D:\\WinXP"))

        # Without ZEL32.PIF beside it: the work folder is made, then the start
        # ends without a message because LHA.PIF cannot be installed.
        machine.install(folder="C:\\NoPif", files=("Zel32.exe", "Zel32.INI"))
        no_pif = machine.start_zel("C:\\NoPif\\Zel32.exe")
        self.assertTrue(no_pif.ended(20))
        self.assertTrue(os.path.isdir(machine.path("C:\\NoPif\\WinXP")))
        self.assertFalse(machine.exists("C:\\windows\\PIF\\LHA.PIF"))
        self.assertNotIn(MAIN_TITLE.split(":")[1], "".join(machine.windows()))


if __name__ == "__main__":
    unittest.main()

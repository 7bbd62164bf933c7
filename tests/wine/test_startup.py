"""Start-up of the real Zel32.exe in the sandboxed machine: the NT-family
notice, the work folder (the 98 kind's: test_system_save), the support files
beside Windows and the single instance. What each start refuses, and the
support files' contents, are unit-tested on the in-memory machine."""
import os

from zeltest import E2ETest, Machine


class FirstStartTest(E2ETest):
    def test_first_start_on_the_nt_kind_then_a_second_start_and_a_restart(self):
        machine = Machine.fresh(self, "startup-xp")
        machine.install(ini="[Options]\nCheckLevel= 1\n")
        zel = machine.start_zel()

        # The NT-family notice comes once, before the snapshot is prepared.
        box = zel.answer("はい", about="アンインストーラーの付属していないソフト")
        self.assertIn("ゼルカで修復することはできません\n\n続行しますか？", box["all_text"])
        self.assertEqual(box["buttons"], ["はい", "いいえ"])
        zel.wait_ready()
        machine.screenshot("startup-main-window")

        # The work folder of the kind, with the shipped settings copied in and
        # what the start learnt written to them.
        self.assertTrue(os.path.isdir(machine.path("C:\\Zel32\\WinXP\\Backup")))
        self.assertFalse(machine.exists("C:\\Zel32\\Win98"))
        for key, value in (("CheckLevel", "1"), ("BootDrive", "C:\\"), ("Query2000", "-1")):
            self.assertEqual(machine.read_ini("Options", key), value, key)
        # The MS-DOS support file beside Windows: read-only, hidden and system.
        attributes = int(machine.drv("attrib", "C:\\windows\\PIF\\LHA.PIF")[1], 16)
        self.assertEqual(attributes & 7, 7)

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


if __name__ == "__main__":
    import unittest
    unittest.main()

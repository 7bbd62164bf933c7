"""The snapshot on disk: written when prepared, offered again after a start
that did not end normally, refused when damaged, and kept when Windows ends
in the middle of a test."""
import os
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI

WORK = "C:\\Zel32\\WinXP"


class ResumeTest(E2ETest):
    def setUp(self):
        self.machine = Machine.fresh(self, "resume")
        self.machine.install(ini=QUIET_INI + "RegScanInst=-1\nUseMouseHelp=0\n")

    def start_and_crash(self):
        zel = self.machine.start_zel()
        zel.wait_ready()
        self.assertTrue(self.machine.exists(WORK + "\\Zel32.dat"))
        self.assertTrue(self.machine.exists(WORK + "\\Zel32.ext"))
        zel.proc.kill()  # the machine goes down in the middle of the test
        zel.ended(10)
        self.machine.drv("gone", MAIN_TITLE, 10000)

    def test_resume_yes_continues_after_the_test_and_no_starts_anew(self):
        m = self.machine
        self.start_and_crash()
        # The registry editor's export of the uninstall key came with the snapshot.
        self.assertTrue(os.path.getsize(m.path(WORK + "\\追加と削除.reg")) > 0)
        saved = m.read_bytes(WORK + "\\Zel32.dat")

        zel = m.start_zel()
        box = zel.answer("はい", about="前回、テスト実行している途中でコンピュータが再起動されています。")
        self.assertIn("「はい」を", box["all_text"])
        self.assertIn("「いいえ」を押すと、前回のテスト結果を洗浄できなくなります", box["all_text"])
        zel.wait_ready()
        self.assertEqual(m.read_bytes(WORK + "\\Zel32.dat"), saved)  # loaded, not prepared again
        self.assertTrue(m.state("enabled", "確認"))
        self.assertTrue(m.state("enabled", "洗浄"))
        zel.proc.kill()
        zel.ended(10)
        m.drv("gone", MAIN_TITLE, 10000)

        zel = m.start_zel()
        zel.answer("いいえ", about="テストを続行、または洗浄を行ないますか？")
        zel.wait_ready()
        self.assertFalse(m.state("enabled", "洗浄"))
        self.assertNotEqual(m.read_bytes(WORK + "\\Zel32.dat"), b"")
        zel.close()
        self.assertFalse(m.exists(WORK + "\\Zel32.dat"))

        # Without a snapshot nothing is asked.
        zel = m.start_zel()
        zel.wait_window()
        self.assertIsNone(zel.message_box(1500))
        zel.wait_ready()
        zel.close()

    def test_a_damaged_snapshot_is_told_and_ends_the_program_cleanly(self):
        m = self.machine
        self.start_and_crash()
        path = m.path(WORK + "\\Zel32.dat")
        data = bytearray(m.read_bytes(WORK + "\\Zel32.dat"))
        data[312:320] = b"FFFFFFFF"  # the Windows list's length: far beyond the file
        with open(path, "wb") as f:
            f.write(data)
        zel = m.start_zel()
        zel.answer("はい", about="前回、テスト実行している途中で")
        zel.answer("OK", about="保存された情報が正しくありません")
        self.assertTrue(zel.ended(20), "the program went on with a damaged snapshot")
        self.assertFalse(m.exists(WORK + "\\Zel32.dat"))

    def test_windows_ending_in_the_middle_of_a_test_keeps_the_snapshot(self):
        m = self.machine
        self.start_and_crash()
        zel = m.start_zel()
        zel.answer("はい", about="前回、テスト実行している途中で")
        zel.wait_ready()
        m.drv("post", MAIN_TITLE, 0x0011, 0)  # WM_QUERYENDSESSION
        m.drv("post", MAIN_TITLE, 0x0016, 1)  # WM_ENDSESSION: Windows ends now
        import time
        time.sleep(2)
        self.assertIsNone(m.message_box(500), "a question while Windows ends")
        self.assertTrue(m.exists(WORK + "\\Zel32.dat"))
        self.assertTrue(m.exists(WORK + "\\Zel32.ext"))
        zel.proc.kill()


if __name__ == "__main__":
    unittest.main()

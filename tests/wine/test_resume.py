"""The snapshot on disk: written when prepared, offered again after a start
that did not end normally, refused when damaged, and not asked about when
there is none. (Kept when Windows ends in the middle of a test, then resumed,
checked and washed: test_wash_traps.)"""
import os
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI

WORK = "C:\\Zel32\\WinXP"
AGAIN = "前回、テスト実行している途中でコンピュータが再起動されています。"


class ResumeTest(E2ETest):
    def crash(self, zel):
        """The machine goes down in the middle of the test."""
        zel.proc.kill()
        zel.ended(10)
        self.machine.drv("gone", MAIN_TITLE, 10000)

    def test_a_damaged_snapshot_then_none_then_no(self):
        m = self.machine = Machine.fresh(self, "resume")
        m.install(ini=QUIET_INI + "RegScanInst=-1\nUseMouseHelp=0\n")
        zel = m.start_zel()
        zel.wait_ready()
        self.assertTrue(m.exists(WORK + "\\Zel32.ext"))
        # The registry editor's export of the uninstall key came with the snapshot.
        self.assertTrue(os.path.getsize(m.path(WORK + "\\追加と削除.reg")) > 0)
        saved = m.read_bytes(WORK + "\\Zel32.dat")
        self.crash(zel)

        # Damaged: told, and the program ends without going on with it.
        data = bytearray(saved)
        data[312:320] = b"FFFFFFFF"  # the Windows list's length: far beyond the file
        m.write(WORK + "\\Zel32.dat", bytes(data))
        zel = m.start_zel()
        box = zel.answer("はい", about=AGAIN)
        self.assertIn("「いいえ」を押すと、前回のテスト結果を洗浄できなくなります", box["all_text"])
        zel.answer("OK", about="保存された情報が正しくありません")
        self.assertTrue(zel.ended(20), "the program went on with a damaged snapshot")
        self.assertFalse(m.exists(WORK + "\\Zel32.dat"))

        # Without a snapshot nothing is asked; then No starts anew.
        zel = m.start_zel()
        zel.wait_window()
        self.assertIsNone(zel.message_box(1500))
        zel.wait_ready()
        self.crash(zel)
        zel = m.start_zel()
        zel.answer("いいえ", about="テストを続行、または洗浄を行ないますか？")
        zel.wait_ready()
        self.assertFalse(m.state("enabled", "洗浄"))
        self.assertNotEqual(m.read_bytes(WORK + "\\Zel32.dat"), b"")
        zel.close()
        self.assertFalse(m.exists(WORK + "\\Zel32.dat"))


if __name__ == "__main__":
    unittest.main()

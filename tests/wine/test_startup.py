"""Start-up: the NT-family notice, the work folder, the support files beside Windows, the single
instance, the system report (Report on: 報告書.txt replaced by the machine's report and the
preparation's log; off: nothing written), and the snapshot offered again after a start that did not
end normally, refused when damaged."""
import os
import time
import unittest

from zeltest import E2ETest, MAIN_TITLE

WORK = "C:\\Zel32\\WinXP"
REPORT = "C:\\Zel32\\報告書.txt"
RULE = "-" * 60
AGAIN = "前回、テスト実行している途中でコンピュータが再起動されています。"


class FirstStartTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        m = cls.machine = cls.class_machine("startup", drives=[("D", "hd", 0x4242), ("E", "cdrom", 0x4343)])
        os.makedirs(os.path.join(m.drive_folder("D"), "data"), exist_ok=True)  # a hard disk holds a folder
        m.install(ini="[Options]\nCheckLevel= 1\nReport=-1\nRegScanInst=-1\nUseMouseHelp=0\n")
        m.write(REPORT, "前回の報告書\r\n".encode("cp932"))

    def test_1_first_start_its_report_and_a_second_instance(self):
        machine = self.machine
        before = time.strftime("%Y/%m/%d")
        zel = machine.start_zel()

        # The NT-family notice comes once, before the snapshot is prepared.
        box = zel.answer("はい", about="アンインストーラーの付属していないソフト")
        self.assertIn("ゼルカで修復することはできません\n\n続行しますか？", box["all_text"])
        self.assertEqual(box["buttons"], ["はい", "いいえ"])
        zel.wait_ready()
        machine.screenshot("startup-main-window")

        # The work folder of the kind, with the shipped settings copied in and
        # what the start learnt written to them.
        self.assertTrue(os.path.isdir(machine.path(WORK + "\\Backup")))
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
        self.check_report(machine.read_bytes(REPORT), before)

    def check_report(self, data, before):
        # The report comes from the real environment record, the platform's
        # drive space and its loaded libraries: only a real start shows them.
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line ends in CR LF")
        lines = data.decode("cp932").split("\r\n")
        self.assertNotIn("前回の報告書", lines)
        self.assertIn(lines[0], ("報告日付：     " + before, "報告日付：     " + time.strftime("%Y/%m/%d")))
        # Wine's prefix says Windows 7: NT 6.1, build 7601.
        self.assertEqual(lines[1], "使用ＯＳ：     Windows-7（6.1.7601）")
        at = lines.index("ドライブ構成")
        libraries = [line for line in lines[2:at] if not line.startswith(("ＣＰＵ：", "マザーボード："))]
        names = [line.split("：")[0].lower() for line in libraries]
        self.assertIn("kernel32.dll", names)
        self.assertNotIn("zel32.exe", names)
        for line in libraries:
            self.assertRegex(line, r"(?i)^\S+\.(dll|drv)：[\d,]+ （\d{4}/\d\d/\d\d \d\d:\d\d:\d\d）$")

        drives = lines[at + 1:lines.index(RULE)]
        self.assertEqual(len(drives), 3)
        self.assertRegex(drives[0], r"^・Drive C:   \(HDD\) 全容量：[ \d,]{8}Mバイト　　空容量：[ \d,]{8}Mバイト$")
        self.assertRegex(drives[1], r"^・Drive D:   \(HDD\) 全容量：")
        self.assertEqual(drives[2], "・Drive E:   (CD-ROM)")

        rest = lines[lines.index(RULE) + 1:]
        self.assertEqual(rest[:3], ["", "Boot Drive：   C:\\", "Windows  Dir： C:\\windows"])
        for line in ("Zel Installed：C:\\Zel32", "Zel Work Dir： C:\\Zel32\\WinXP",
                     "Zel BackupDir：C:\\Zel32\\WinXP\\Backup",
                     "CanUseRegEdit＝True",  # Wine's Windows folder has regedit.exe
                     "全システムファイル復元    ： 無し", "レジストリ復元設定必要    ： No"):
            self.assertIn(line, rest)
        self.assertTrue(any(line.startswith("Backup   System Registry： C:\\Zel32\\WinXP\\Backup\\SYSTEM")
                            for line in rest), rest)
        self.assertFalse(any(line.startswith("Swap File") for line in rest), "Wine has no paging file")
        end = rest.index("監視レベル：　　　　　　　： ２：全フォルダーの第１レベルのみ")
        self.assertEqual(rest[end + 1:end + 3], [RULE, ""])
        # The preparation's log is appended after the report.
        self.assertTrue(rest[end + 3].startswith("準備中 ["), rest[end + 3:end + 5])

    def crash(self, zel):
        """The machine goes down in the middle of the test."""
        zel.proc.kill()
        zel.ended(10)
        self.machine.drv("gone", MAIN_TITLE, 10000)

    def test_2_report_off_then_a_damaged_snapshot_then_none_then_no(self):
        # Report off leaves the file alone; the notice accepted once, nothing is asked.
        m = self.machine
        os.remove(m.path(REPORT))
        m.write(WORK + "\\Zel32.INI", m.read_bytes(WORK + "\\Zel32.INI").replace(b"Report=-1", b"Report=0"))
        zel = m.start_zel()
        zel.wait_window()
        self.assertIsNone(m.message_box(1500))
        zel.wait_ready()
        self.assertFalse(m.exists(REPORT))
        # The registry editor's export of the uninstall key came with the snapshot.
        self.assertTrue(m.exists(WORK + "\\Zel32.ext"))
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

        # No starts anew.
        zel = m.start_zel()
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

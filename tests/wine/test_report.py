"""The system report of the real Zel32.exe: with Report on in Zel32.INI the
start replaces 報告書.txt in the program folder with the report of the machine
(code page 932, CR LF), and the snapshot preparation's log follows it; with
Report off no report is written."""
import os
import time

from zeltest import E2ETest, Machine, QUIET_INI

REPORT = "C:\\Zel32\\報告書.txt"
INI = "C:\\Zel32\\WinXP\\Zel32.INI"
RULE = "-" * 60


class ReportTest(E2ETest):
    def test_report_on_writes_the_machine_then_the_logs_follow(self):
        # The report comes from the real environment record, the platform's
        # drive space and its loaded libraries: only a real start shows them.
        m = Machine.fresh(self, "report", drives=[("D", "hd", 0x4242), ("E", "cdrom", 0x4343)])
        os.makedirs(os.path.join(m.drive_folder("D"), "data"), exist_ok=True)  # a hard disk holds a folder
        m.install(ini=QUIET_INI + "Report=-1\n")
        m.write(REPORT, "前回の報告書\r\n".encode("cp932"))
        before = time.strftime("%Y/%m/%d")
        zel = m.start_zel()
        zel.wait_ready()
        data = m.read_bytes(REPORT)
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

        # Report off: the next start leaves the file alone.
        zel.close()
        os.remove(m.path(REPORT))
        m.write(INI, m.read_bytes(INI).replace(b"Report=-1", b"Report=0"))
        zel = m.start_zel()
        zel.wait_ready()
        self.assertFalse(m.exists(REPORT))


if __name__ == "__main__":
    import unittest
    unittest.main()

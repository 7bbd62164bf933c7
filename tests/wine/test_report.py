"""The system report of the real Zel32.exe: with Report on in Zel32.INI the
start replaces 報告書.txt in the program folder with the report of the machine
(code page 932, CR LF), and the snapshot preparation's log follows it; with
Report off no report is written."""
import os
import re
import time
import unittest

from zeltest import E2ETest, Machine, QUIET_INI

REPORT = "C:\\Zel32\\報告書.txt"
INI = "C:\\Zel32\\WinXP\\Zel32.INI"
RULE = "-" * 60


class ReportTest(E2ETest):
    def read_report(self, machine):
        data = machine.read_bytes(REPORT)
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""), "every line ends in CR LF")
        return data.decode("cp932").split("\r\n")

    def decorated(self, machine, path):
        """The file value the report must show for path on this machine's disk."""
        folder = path.rsplit("\\", 1)[0]
        if not os.path.isdir(machine.path(folder)):
            return path + " （DIR無）"
        return path if os.path.exists(machine.path(path)) else path + " （ファイル無）"

    def test_report_on_writes_the_machine_then_the_logs_follow(self):
        # Reason: the report is written by the real start-up from the real
        # environment record, the platform's drive space and its loaded
        # libraries; only a real start shows the file and its code page.
        m = Machine.fresh(self, "report", drives=[("D", "hd", 0x4242), ("E", "cdrom", 0x4343)])
        os.makedirs(os.path.join(m.drive_folder("D"), "data"), exist_ok=True)  # a hard disk holds at least one folder
        m.install(ini=QUIET_INI + "Report=-1\n")
        with open(m.path(REPORT), "wb") as f:
            f.write("前回の報告書\r\n".encode("cp932"))
        before = time.strftime("%Y/%m/%d")
        zel = m.start_zel()
        zel.wait_ready()
        lines = self.read_report(m)
        self.assertNotIn("前回の報告書", lines)

        self.assertIn(lines[0], ("報告日付：     " + before, "報告日付：     " + time.strftime("%Y/%m/%d")))
        # Wine's prefix says Windows 7: NT 6.1, build 7601.
        self.assertEqual(lines[1], "使用ＯＳ：     Windows-7（6.1.7601）")
        at = lines.index("ドライブ構成")
        machine_lines = [i for i in range(2, at) if lines[i].startswith(("ＣＰＵ：", "マザーボード："))]
        libraries = lines[2:machine_lines[0] if machine_lines else at]
        for i in machine_lines:  # the processor and the board, as the registry names them
            self.assertRegex(lines[i], r"^(ＣＰＵ：       .+（.*）\d*MHz|マザーボード： .+)$")
        names = [line.split("：")[0].lower() for line in libraries]
        self.assertIn("kernel32.dll", names)
        self.assertIn("user32.dll", names)
        self.assertNotIn("zel32.exe", names)
        for line in libraries:
            self.assertRegex(line, r"(?i)^\S+\.(dll|drv)：[\d,]+ （\d{4}/\d\d/\d\d \d\d:\d\d:\d\d）$")

        drives = lines[at + 1:lines.index(RULE)]
        self.assertRegex(drives[0], r"^・Drive C:   \(HDD\) 全容量：[ \d,]{8}Mバイト　　空容量：[ \d,]{8}Mバイト$")
        self.assertRegex(drives[1], r"^・Drive D:   \(HDD\) 全容量：")
        self.assertEqual(drives[2], "・Drive E:   (CD-ROM)")
        self.assertEqual(len(drives), 3)

        rest = lines[lines.index(RULE) + 1:]
        self.assertEqual(rest[0], "")
        self.assertEqual(rest[1], "Boot Drive：   C:\\")
        self.assertEqual(rest[2], "Windows  Dir： C:\\windows")
        self.assertEqual(rest[3].lower(), "system   dir： c:\\windows\\system32")
        self.assertIn("Zel Installed：C:\\Zel32", rest)
        self.assertIn("Zel Work Dir： C:\\Zel32\\WinXP", rest)
        self.assertIn("Zel BackupDir：C:\\Zel32\\WinXP\\Backup", rest)
        self.assertFalse(any(line.startswith("Swap File") for line in rest), "Wine has no paging file")
        hives = {line.split("： ")[0]: line.split("： ", 1)[1] for line in rest if "Registry： " in line}
        system_hive = hives["Original System Registry"].replace(" （DIR無）", "").replace(" （ファイル無）", "")
        self.assertEqual(hives["Original System Registry"], self.decorated(m, system_hive))
        self.assertEqual(hives["Backup   System Registry"],
                         self.decorated(m, "C:\\Zel32\\WinXP\\Backup\\SYSTEM"))
        self.assertIn("CanUseRegEdit＝True", rest)  # Wine's Windows folder has regedit.exe
        self.assertIn("UseRegEditInst＝False", rest)
        self.assertIn("全システムファイル復元    ： 無し", rest)
        self.assertIn("レジストリ復元設定必要    ： No", rest)
        end = rest.index("監視レベル：　　　　　　　： ２：全フォルダーの第１レベルのみ")
        self.assertEqual(rest[end + 1:end + 3], [RULE, ""])
        # The preparation's log is appended after the report.
        self.assertTrue(rest[end + 3].startswith("準備中 ["), rest[end + 3:end + 5])

        # Report off: the next start leaves the file alone.
        zel.close()
        os.remove(m.path(REPORT))
        with open(m.path(INI), "rb") as f:
            ini = f.read().decode("cp932")
        with open(m.path(INI), "wb") as f:
            f.write(re.sub(r"Report=-1", "Report=0", ini).encode("cp932"))
        zel = m.start_zel()
        zel.wait_ready()
        self.assertFalse(m.exists(REPORT))


if __name__ == "__main__":
    unittest.main()

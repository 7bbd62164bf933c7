"""The system save window on a trimmed Windows folder (WINDIR pointed at it): save, compare, restore
at once, and what waits for the next start of Windows (a locked file on NT, a hive on 98)."""
import os
import re
import unittest

from zeltest import SYSTEM_FORM as FORM, E2ETest, Machine, wait_for

REBOOT = "ZelRebootForm:Windowsの再起動"
WIN = "C:\\trimwin"
SET = "C:\\ZelSet"
SAVED = 1_600_000_000  # the files' time at the save (Unix seconds)
LATER = 1_700_000_000


class SystemSaveTest(E2ETest):
    def trimmed_machine(self, name, files, windows_98=False):
        """A fresh machine whose Windows folder (WINDIR) is a small one made here, and
        the program started in it with the system save window open on SET."""
        m = Machine.fresh(self, name, windows_98=windows_98)
        m.box.import_reg('[HKEY_CURRENT_USER\\Environment]\n"WINDIR"="%s"\n' % WIN.replace("\\", "\\\\"))
        for win_path, content in files.items():
            m.write(win_path, content, SAVED)
        m.install()
        zel = m.start_zel()
        zel.wait_ready()
        zel.open_system_form(SET)
        self.assertEqual(m.text("SETDSP", FORM), "【保存場所】" + SET)
        return m, zel

    def lines(self, machine):
        lines = machine.text("CONLST", FORM).split("\u2029")
        return lines[:-1] if lines[-1] == "" else lines

    def save(self, machine, zel):
        machine.drv("click", FORM, "現在のシステムを保存する")
        zel.answer("OK", about="現在のシステムを保存します")
        zel.answer("OK", about="保存が完了しました", timeout_ms=120000)
        self.assertRegex(machine.text("DATDSP", FORM), r"^\d\d-\d\d-\d{4} \d\d:\d\d:\d\d$")

    def compare(self, machine):
        machine.drv("click", FORM, "変更部分を確認")
        return wait_for("the compare's lines, its button enabled again",
                        lambda: machine.state("enabled", "変更部分を確認", FORM) and self.lines(machine), 60)

    def restore(self, machine, zel):
        machine.drv("click", FORM, "保存された状態に戻す")
        zel.answer("OK", about="システムを、保存された状態に戻します")

    def lock(self, machine, win_path):
        """Holds WIN_PATH open in another process until it is killed."""
        ready = "C:\\zeltest\\lock.ready"
        locker = machine.box.start(["C:\\zeltest\\zeldrv.exe", "lock", win_path, ready, "600000"])
        machine.procs.append(locker)
        wait_for("the file taken by the locker", lambda: machine.exists(ready))
        return locker

    def test_save_compare_restore_and_a_locked_file_at_the_next_session(self):
        machine, zel = self.trimmed_machine("system-nt", {
            WIN + "\\win.ini": b"[windows]\r\n",
            WIN + "\\Setup.log": b"saved",
            WIN + "\\win386.swp": b"swap",
            WIN + "\\fonts\\mincho.ttf": b"font",
            WIN + "\\system32\\old.dll": b"old",
            WIN + "\\temp\\work.tmp": b"tmp",
        })
        self.save(machine, zel)
        machine.screenshot("system-form")

        # The lists and the copies on disk.
        self.assertEqual(machine.read_ini("Options", "RecoveryDir"), SET)
        listed = machine.read_bytes(SET + "\\Windows.lst")
        folders = re.findall(rb"\x02([^\x08]*)\x08", listed)
        self.assertIn(b"c:\\trimwin", folders)
        self.assertIn(b"c:\\trimwin\\fonts", folders)
        self.assertNotIn(b"c:\\trimwin\\temp", folders)
        self.assertIn(b"\x04win386.swp\x03", listed)
        self.assertIn(b"\x04setup.log\x03", listed)
        self.assertEqual(machine.read_bytes(SET + "\\Windows\\Setup.log"), b"saved")
        self.assertFalse(machine.exists(SET + "\\Windows\\win386.swp"))
        self.assertFalse(machine.exists(SET + "\\fonts"))
        self.assertTrue(machine.exists(SET + "\\_Root"))

        # Changes made behind the program's back.
        machine.write(WIN + "\\Setup.log", b"changed", LATER)
        machine.write(WIN + "\\win386.swp", b"swap 2", LATER)
        machine.write(WIN + "\\fonts\\new.ttf", b"new font", LATER)
        machine.write("C:\\zelnew.txt", b"new", LATER)
        os.unlink(machine.path(WIN + "\\system32\\old.dll"))
        self.assertEqual(self.compare(machine), [
            "（○印は復元できます）",
            "以下のファイルが追加されています",
            "　・C:\\Trimwin\\Fonts\\New.ttf\t",
            "　・C:\\Zelnew.txt\t",
            "以下のファイルが変更されています",
            "　○ C:\\Trimwin\\Setup.log\t",
            "以下のファイルが削除されています",
            "　○ C:\\Trimwin\\System32\\Old.dll\t",
        ])

        # Ordinary files go back at once: no restart.
        self.restore(machine, zel)
        zel.answer("OK", about="以前の状態に復元しました", timeout_ms=60000)
        self.assertEqual(machine.read_bytes(WIN + "\\Setup.log"), b"saved")
        self.assertEqual(machine.read_bytes(WIN + "\\system32\\old.dll"), b"old")
        self.assertFalse(machine.exists(WIN + "\\fonts\\new.ttf"))
        self.assertFalse(machine.exists("C:\\zelnew.txt"))
        self.assertEqual(machine.read_bytes(WIN + "\\win386.swp"), b"swap 2")
        self.assertEqual(self.compare(machine), ["変更はありません"])

        # A file held open cannot be copied over: it is replaced as the next
        # session starts, and the program ends once the restart is accepted.
        machine.write(WIN + "\\Setup.log", b"changed again", LATER)
        locker = self.lock(machine, WIN + "\\Setup.log")
        self.restore(machine, zel)
        machine.drv("find", REBOOT, 60000)
        self.assertFalse(any(line.endswith("\tvisible\tゼルカ") for line in machine.windows()),
                         "the main window stays in sight behind the restart notice")
        self.assertEqual(machine.read_bytes(WIN + "\\Setup.log"), b"changed again")
        staged = [n for n in os.listdir(machine.path(WIN)) if n.startswith("~ZelRestore")]
        self.assertEqual(len(staged), 1)
        # A restart ends every program first; Wine's carries out the moves at
        # once, so the locker goes before the restart is asked for.
        locker.kill()
        locker.wait()
        machine.drv("click", REBOOT, "OK")
        self.assertTrue(zel.ended(30), "the program did not end after the restart was accepted")
        self.assertFalse(machine.exists("C:\\Zel.BAT"))
        machine.box.kill()  # the next session starts with the file replaced
        machine.box.start_server()
        self.assertEqual(machine.read_bytes(WIN + "\\Setup.log"), b"saved")
        self.assertEqual([n for n in os.listdir(machine.path(WIN)) if n.startswith("~ZelRestore")], [])

    def test_a_changed_hive_on_windows_98_restarts_through_zel_bat(self):
        hidden = b"saved hive"
        machine, zel = self.trimmed_machine("system-98", {
            WIN + "\\system.dat": hidden,
            WIN + "\\user.dat": hidden,
            WIN + "\\system.ini": b"[boot]\r\n",
            WIN + "\\win.ini": b"[windows]\r\n",
            WIN + "\\Setup.log": b"saved",
            "C:\\autoexec.bat": b"PATH C:\\\r\n",
        }, windows_98=True)
        # The 98 kind keeps its own work folder (no NT-family notice was asked).
        self.assertTrue(os.path.isdir(machine.path("C:\\Zel32\\Win98\\Backup")))
        self.assertFalse(machine.exists("C:\\Zel32\\WinXP"))
        self.assertEqual(machine.read_ini("Options", "BootDrive", "C:\\Zel32\\Win98\\Zel32.INI"), "C:\\")
        self.save(machine, zel)

        machine.write(WIN + "\\system.dat", b"changed hive", LATER)
        machine.write(WIN + "\\Setup.log", b"changed", LATER)
        # An added file held open cannot be deleted: its "del" line would carry
        # the "&" into the batch, so it is left out and reported.
        machine.write(WIN + "\\a&b.txt", b"amp", LATER)
        self.lock(machine, WIN + "\\a&b.txt")

        self.restore(machine, zel)
        machine.drv("find", REBOOT, 60000)
        notes = machine.text("1811", REBOOT)
        self.assertIn("a&b.txt", notes)
        self.assertIn("バッチ･ファイルに書けない文字", notes)
        machine.screenshot("system-reboot-notice")
        machine.drv("click", REBOOT, "OK")
        self.assertTrue(zel.ended(30), "the program did not end after asking for the restart")

        # Ordinary files went back at once; the hive waits for the batch.
        self.assertEqual(machine.read_bytes(WIN + "\\Setup.log"), b"saved")
        self.assertEqual(machine.read_bytes(WIN + "\\system.dat"), b"changed hive")
        batch = machine.read_bytes("C:\\Zel.BAT").decode("cp932").split("\r\n")
        copy = SET + "\\Windows"
        expected = []
        for name in ("system.dat", "user.dat", "system.ini", "win.ini"):
            expected += ["attrib -h -r -s %s\\%s" % (WIN, name), "attrib -h -r -s %s\\%s" % (copy, name),
                         "if exist %s\\%s del %s\\%s" % (copy, name, WIN, name),
                         "copy %s\\%s %s" % (copy, name, WIN)]
        expected += ["del C:\\autoexec.bat", "ren C:\\autoexec.Zel autoexec.bat", ""]
        self.assertEqual(batch, expected)
        self.assertEqual(machine.read_bytes("C:\\autoexec.bat").decode("cp932"),
                         "PATH C:\\\r\nrem ---これ以下は、Zel32自動挿入---\r\nC:\\Zel.BAT\r\n")
        self.assertEqual(machine.read_bytes("C:\\autoexec.Zel"), b"PATH C:\\\r\n")


if __name__ == "__main__":
    unittest.main()

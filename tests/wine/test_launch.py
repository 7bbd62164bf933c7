"""The test button on the fixtures: what each kind of file gets, a program watched until its
window closes, the libraries a program brings, a file dropped on the window."""
import os
import time
import unittest

import xdnd
from zeltest import E2ETest, MAIN_TITLE, QUIET_INI, display, wait_for

APP = "ZelFixApp:フィクスチャ・アプリ"


class LaunchTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        m = cls.machine = cls.class_machine("launch")
        m.install(ini=QUIET_INI + "UseMouseHelp=0\nUseWarning=0\n")
        for name in ("fixapp.exe", "fixdialog.exe", "dos_program.exe", "sfx_zip.exe", "dos_sfx_lzh.exe"):
            m.install_fixture(name, "C:\\fixtures")
        m.install_fixture("fixapp.exe", "C:\\fixtures", rename="bigwrite.exe")
        m.install_fixture("libapp", "C:\\fixtures")
        # A library the program brings, read-only in its folder.
        os.chmod(m.path("C:\\fixtures\\libapp\\fixlib.dll"), 0o444)
        m.write("C:\\zeltest\\bigwrite.args", "/write C:\\fixtures\\big.bin 64")
        cls.zel = m.start_zel()
        cls.zel.wait_ready()

    def ended(self, name):
        return "    %s 実行終了" % name in self.since(name)

    def since(self, name):
        """The console from the last start of name on."""
        console = self.zel.console()
        starts = [i for i, line in enumerate(console) if line == "    %s 実行開始" % name]
        return console[starts[-1]:] if starts else []

    def test_1_self_extracting_archives_are_refused(self):
        self.zel.go_to("C:\\fixtures", showing="fixapp.exe")
        for name in ("sfx_zip.exe", "dos_sfx_lzh.exe"):
            self.zel.start_file(name)
            self.zel.answer("OK", about="自己解凍型の圧縮ファイルです")
        self.assertNotIn("実行開始", " ".join(self.zel.console()))

    def test_2_a_program_is_watched_until_its_window_closes(self):
        m = self.machine
        self.zel.go_to("C:\\fixtures", showing="fixapp.exe")
        before = m.text("SIZDSP")  # taken before the start: the write may come before the window
        self.zel.start_file("bigwrite.exe")
        m.drv("find", "ZelFixApp:フィクスチャ・アプリ", 20000)
        try:
            wait_for("the status reading 実行中", lambda: m.text("RUNDSP").strip() == "実行中")
            self.assertIn("    bigwrite.exe 実行開始", self.zel.console())
            # The program writes 64 MB: the free-space display follows it.
            def grown():
                now = m.text("SIZDSP")
                return now != before and "(-" in now
            wait_for("the free space display following the write", grown, 40)
            m.screenshot("launch-running")
            # The drive menu while the program runs: what it does comes after
            # the run's lines, and the status still says the program runs.
            m.drv("rclick", MAIN_TITLE, "C:")
            m.drv("find", "#32768:", 10000)
            m.drv("press", MAIN_TITLE, "DOWN")  # このドライブの現在のファイル名を記録
            m.drv("press", MAIN_TITLE, "ENTER")
            wait_for("the drive's names recorded", lambda: any(
                l.startswith("ドライブ C のファイル名を記録しました") for l in self.zel.console()), 60)
            self.assertIn("    bigwrite.exe 実行開始", self.zel.console())
            self.assertEqual(m.text("RUNDSP").strip(), "実行中")
        finally:
            m.drv("close", APP)  # a failure here must not leave the run going for the next tests
        wait_for("the end of the run after its window closed", lambda: self.ended("bigwrite.exe"))
        console = self.zel.console()
        at = console.index("    bigwrite.exe 実行終了")
        self.assertEqual(console[at - 1], "──────────────────────")
        self.assertEqual(console[at + 2], "★ブラウザーを利用中なら、そのまま使い")
        os.remove(m.path("C:\\fixtures\\big.bin"))

    def test_4_a_dialog_style_window_is_not_taken_for_the_program(self):
        m = self.machine
        self.zel.go_to("C:\\fixtures", showing="fixapp.exe")
        self.zel.start_file("fixdialog.exe")
        m.drv("find", "フィクスチャ・ダイアログ", 20000)
        time.sleep(12)  # past the time a program has to open its window
        self.assertNotIn("実行が終了したら、中止ボタンを押して下さい", self.since("fixdialog.exe"))
        m.drv("close", "フィクスチャ・ダイアログ")
        time.sleep(5)
        self.assertFalse(self.ended("fixdialog.exe"))  # never adopted: nothing ends by itself
        m.drv("click", MAIN_TITLE, "中止")
        wait_for("the end of the run after 中止", lambda: self.ended("fixdialog.exe"), 10)

    def test_5_the_libraries_a_program_brings(self):
        m = self.machine
        self.zel.go_to("C:\\fixtures\\libapp", showing="libapp.exe")
        self.zel.start_file("libapp.exe")
        m.drv("find", "ZelFixLibApp:ライブラリ・アプリ", 20000)
        console = self.since("libapp.exe")
        system = "C:\\windows\\system32"
        for line in ("● 添付のDLL『fixlib.dll』を、", "● ﾓｼﾞｭｰﾙ『fixctl.ocx』を、", "● 添付のDLL『fixold.dll』を、"):
            self.assertIn(line, console)
        at = console.index("● 添付のDLL『fixlib.dll』を、")
        self.assertEqual(console[at + 1].lower(), ("     %sへコピーしました。" % system).lower())  # five blanks
        clash = [l for l in console if l.startswith("● 添付のDLL『msacm32.dll』(")]
        self.assertEqual(len(clash), 1)
        at = console.index(clash[0])
        self.assertTrue(console[at + 1].startswith("    既に同名ライブラリ("))
        self.assertEqual(console[at + 2], "    ため、コピーしません。")
        # The copy is writable even though the program's own was read-only;
        # the system's own msacm32.dll is untouched; the compressed one expanded.
        self.assertEqual(int(m.drv("attrib", system + "\\fixlib.dll")[1], 16) & 1, 0)
        theirs = m.read_bytes("C:\\fixtures\\libapp\\msacm32.dll")
        self.assertNotEqual(m.read_bytes(system + "\\msacm32.dll"), theirs)
        self.assertTrue(m.read_bytes(system + "\\fixold.dll").startswith(b"MZ"))
        time.sleep(2)  # a person looks at the window for a moment: the monitor takes it meanwhile
        m.drv("close", "ZelFixLibApp:ライブラリ・アプリ")
        wait_for("the end of the run after its window closed", lambda: self.ended("libapp.exe"))

    def test_6_a_file_dropped_on_the_console(self):
        # Dragged from a file manager: the file becomes the selected one in its own folder
        # and goes on to the test, which asks about an MS-DOS program.
        m = self.machine
        self.zel.go_to("C:\\fixtures\\libapp", showing="libapp.exe")
        left, top, right, bottom = map(int, m.drv("rect", MAIN_TITLE, "CONSOL")[1].split()[:4])
        x, y = (left + right) // 2, (top + bottom) // 2
        window = int(m.drv("xwindow", MAIN_TITLE)[1])  # ours, whatever else the display shows there
        m.write("C:\\fixtures\\readme.txt", "read me\n")
        xdnd.drop(display(), window, x, y, [m.path("C:\\fixtures\\readme.txt")])
        time.sleep(1)
        self.assertEqual(m.text("DIRDSP"), "C:\\fixtures\\libapp")  # not an archive or program: left alone
        xdnd.drop(display(), window, x, y, [m.path("C:\\fixtures\\dos_program.exe")])
        self.zel.answer("いいえ", about="MS-DOSプログラムです。\n\n実行していいですか")
        self.assertEqual(m.text("DIRDSP"), "C:\\fixtures")
        self.assertTrue(any(l.startswith("【dos_program.exe") for l in self.zel.console()))


if __name__ == "__main__":
    unittest.main()

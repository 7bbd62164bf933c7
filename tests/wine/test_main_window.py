"""The main window as a person uses it: drives, folders, the four filters,
the lines of a selected file, the picture pane, the favourite folder, the
text viewer and the window's place kept for the next start."""
import os
import shutil
import struct
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI, TEST_BIN

INI = "C:\\Zel32\\WinXP\\Zel32.INI"


def bmp(path, width=40, height=30):
    row = b"\x40\x80\xff" * width + b"\x00" * ((4 - width * 3 % 4) % 4)
    pixels = row * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + pixels)


class MainWindowTest(E2ETest):
    def setUp(self):
        self.machine = Machine.fresh(self, "mainwindow")
        m = self.machine
        m.install(ini=QUIET_INI + "UseMouseHelp=0\n")
        dl = m.path("C:\\dl")
        os.makedirs(os.path.join(dl, "sub"))
        for name in ("a.zip", "b.lzh"):
            with open(os.path.join(dl, name), "wb") as f:
                f.write(b"PK\x03\x04" + b"\0" * 60)
        shutil.copy(os.path.join(TEST_BIN, "zeldrv.exe"), os.path.join(dl, "tool.exe"))
        shutil.copy(os.path.join(TEST_BIN, "zeldrv.exe"), os.path.join(dl, "setup.exe"))
        bmp(os.path.join(dl, "pic.bmp"))
        with open(os.path.join(dl, "readme.txt"), "wb") as f:
            f.write("はじめにお読み下さい\r\n二行目\r\n".encode("cp932"))
        self.zel = m.start_zel()
        self.zel.wait_ready()

    def items(self, control):
        return self.machine.drv("items", MAIN_TITLE, control)[1].split("\n")[:-1]

    def text(self, control):
        return self.machine.drv("text", MAIN_TITLE, control)[1].rstrip("\n")

    def open_folder(self, name):
        self.machine.drv("activate", MAIN_TITLE, "DIRGRD", self.items("DIRGRD").index(name))
        self.wait_for(lambda: self.text("DIRDSP").endswith("\\" + name) or self.text("DIRDSP").endswith(name))

    def wait_for(self, condition, tries=50):
        import time
        for _ in range(tries):
            if condition():
                return
            time.sleep(0.1)
        self.fail("the window did not get there")

    def select_file(self, name):
        self.machine.drv("select", MAIN_TITLE, "FILLST", self.items("FILLST").index(name))

    def test_browsing_filtering_and_selecting(self):
        m = self.machine
        # Ctrl+C chooses drive C: as its button does.
        m.drv("chord", MAIN_TITLE, "CTRL+C")
        self.wait_for(lambda: self.text("DIRDSP") == "C:\\")
        self.assertIn("dl", self.items("DIRGRD"))
        self.assertNotIn("..", self.items("DIRGRD"))
        self.open_folder("dl")
        self.assertEqual(self.items("DIRGRD"), ["..", "sub"])

        for key, expected in (("F1", ["a.zip", "b.lzh"]), ("F2", ["setup.exe", "tool.exe"]), ("F3", ["pic.bmp"]),
                              ("F4", ["a.zip", "b.lzh", "pic.bmp", "readme.txt", "setup.exe", "tool.exe"])):
            m.drv("key", MAIN_TITLE, key)
            self.wait_for(lambda: self.items("FILLST") == expected)

        self.select_file("setup.exe")
        self.wait_for(lambda: any(line.startswith("【setup.exe】") for line in self.items("CONSOL")))
        console = self.items("CONSOL")
        at = max(i for i, line in enumerate(console) if line.startswith("【setup.exe】"))
        size = os.path.getsize(m.path("C:\\dl\\setup.exe"))
        self.assertEqual(console[at + 1], "　　　　　　　　 (%s bytes)" % format(size, ","))
        self.assertEqual(console[at + 2], "※ Windows プログラムです。")
        self.assertEqual(console[at + 3], "※ プログラムやドライバーの インストール")
        self.assertEqual(console[-1], "テスト・ボタンを押すと、実行を開始します")

        # No archive library in the machine: the program's own reader reads it.
        self.select_file("a.zip")
        self.wait_for(lambda: self.items("CONSOL")[-1] == "解凍ボタンか (F･6)キーを押して下さい")
        self.assertNotIn("　★ZIP解凍用の DLLがありません", self.items("CONSOL"))

        # A picture shows in the pane instead of the console; a filter brings the console back.
        self.select_file("pic.bmp")
        self.wait_for(lambda: m.drv("visible", MAIN_TITLE, "BMPVIW")[1].strip() == "1")
        self.assertEqual(m.drv("visible", MAIN_TITLE, "CONSOL")[1].strip(), "0")
        m.screenshot("main-window-picture")
        m.drv("key", MAIN_TITLE, "F4")
        self.wait_for(lambda: m.drv("visible", MAIN_TITLE, "CONSOL")[1].strip() == "1")
        m.screenshot("main-window")

    def test_favourite_folder_text_viewer_and_window_place(self):
        m = self.machine
        # F5 without a favourite explains the button and stays where it is.
        before = self.text("DIRDSP")
        m.drv("key", MAIN_TITLE, "F5")
        box = self.zel.answer("OK", about="よく使うフォルダーを一発で選択するボタンです")
        self.assertIn("右クリック", box["all_text"])
        self.assertEqual(self.text("DIRDSP"), before)

        m.drv("chord", MAIN_TITLE, "CTRL+C")
        self.wait_for(lambda: self.text("DIRDSP") == "C:\\")
        self.open_folder("dl")
        m.drv("rclick", MAIN_TITLE, "常用")
        self.zel.answer("OK", about="圧縮ファイル用フォルダーを、\n『C:\\dl』に設定します")
        self.wait_for(lambda: m.read_ini("Options", "DownLoad", INI) == "C:\\dl")
        self.open_folder("sub")
        m.drv("key", MAIN_TITLE, "F5")
        self.wait_for(lambda: self.text("DIRDSP") == "C:\\dl")

        # The text viewer shows the selected text file.
        self.select_file("readme.txt")
        m.drv("click", MAIN_TITLE, "テキスト")
        viewer = "ZelDocForm:readme.txt - テキスト表示"
        m.drv("find", viewer, 10000)
        self.assertIn("はじめにお読み下さい", m.drv("text", viewer, "1501")[1])
        m.drv("close", viewer)

        # The window's place and size are kept for the next start.
        self.zel.close()
        self.assertIsNotNone(m.read_ini("Options", "WindowLX", INI))
        self.assertGreaterEqual(int(m.read_ini("Options", "WindowLX", INI)), 760)


if __name__ == "__main__":
    unittest.main()

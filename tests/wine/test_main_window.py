"""The main window as a person uses it: browsing, filters, a selected file, the picture pane, the
favourite folder, the text viewer, the options dialog and the window's place."""
import os
import shutil
import struct

from zeltest import CHOOSER, MAIN_TITLE, OPTIONS, E2ETest, QUIET_INI, TEST_BIN, wait_for

INI = "C:\\Zel32\\WinXP\\Zel32.INI"


def bmp(width=40, height=30):
    pixels = (b"\x40\x80\xff" * width + b"\x00" * ((4 - width * 3 % 4) % 4)) * height
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


class MainWindowTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.machine = m = cls.class_machine("mainwindow")
        m.install(ini=QUIET_INI + "UseMouseHelp=0\n")
        os.makedirs(m.path("C:\\dl\\sub"))
        for name, content in (("a.zip", b"PK\x03\x04" + b"\0" * 60), ("b.lzh", b"PK\x03\x04" + b"\0" * 60),
                              ("pic.bmp", bmp()), ("readme.txt", "はじめにお読み下さい\r\n二行目\r\n".encode("cp932"))):
            m.write("C:\\dl\\" + name, content)
        for name in ("tool.exe", "setup.exe"):
            shutil.copy(os.path.join(TEST_BIN, "zeldrv.exe"), m.path("C:\\dl\\" + name))
        cls.zel = m.start_zel()
        cls.zel.wait_ready()

    def open_folder(self, name):
        m = self.machine
        m.drv("activate", MAIN_TITLE, "DIRGRD", m.items("DIRGRD").index(name))
        wait_for("in folder " + name, lambda: m.text("DIRDSP").rstrip("\\").endswith(name))

    def test_browsing_filtering_and_selecting(self):
        m = self.machine
        # Ctrl+C chooses drive C: as its button does.
        m.drv("chord", MAIN_TITLE, "CTRL+C")
        wait_for("on drive C:", lambda: m.text("DIRDSP") == "C:\\")
        self.assertIn("dl", m.items("DIRGRD"))
        self.assertNotIn("..", m.items("DIRGRD"))
        self.open_folder("dl")
        self.assertEqual(m.items("DIRGRD"), ["..", "sub"])

        for key, expected in (("F1", ["a.zip", "b.lzh"]), ("F2", ["setup.exe", "tool.exe"]), ("F3", ["pic.bmp"]),
                              ("F4", ["a.zip", "b.lzh", "pic.bmp", "readme.txt", "setup.exe", "tool.exe"])):
            m.drv("key", MAIN_TITLE, key)
            wait_for("%s listing %s" % (key, expected), lambda: m.items("FILLST") == expected)

        self.zel.select_file("setup.exe")
        console = self.zel.console()
        at = max(i for i, line in enumerate(console) if line.startswith("【setup.exe】"))
        size = os.path.getsize(m.path("C:\\dl\\setup.exe"))
        self.assertEqual(console[at + 1:at + 4], ["　　　　　　　　 (%s bytes)" % format(size, ","),
                                                  "※ Windows プログラムです。", "※ プログラムやドライバーの インストール"])
        self.assertEqual(console[-1], "テスト・ボタンを押すと、実行を開始します")

        # No archive library in the machine: the program's own reader reads it.
        m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index("a.zip"))
        wait_for("the hint to extract", lambda: self.zel.console()[-1] == "解凍ボタンか (F･6)キーを押して下さい")
        self.assertNotIn("　★ZIP解凍用の DLLがありません", self.zel.console())

        # A picture shows in the pane instead of the console; a filter brings the console back.
        m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index("pic.bmp"))
        wait_for("the picture shown", lambda: m.state("visible", "BMPVIW"))
        self.assertFalse(m.state("visible", "CONSOL"))
        m.screenshot("main-window-picture")
        m.drv("key", MAIN_TITLE, "F4")
        wait_for("the console shown again", lambda: m.state("visible", "CONSOL"))
        m.screenshot("main-window")

    def test_favourite_folder_text_viewer_and_window_place(self):
        m = self.machine
        # F5 without a favourite explains the button and stays where it is.
        before = m.text("DIRDSP")
        m.drv("key", MAIN_TITLE, "F5")
        self.zel.answer("OK", about="よく使うフォルダーを一発で選択するボタンです")
        self.assertEqual(m.text("DIRDSP"), before)

        self.zel.go_to("C:\\dl")
        m.drv("rclick", MAIN_TITLE, "常用")
        self.zel.answer("OK", about="圧縮ファイル用フォルダーを、\n『C:\\dl』に設定します")
        wait_for("DownLoad written", lambda: m.read_ini("Options", "DownLoad", INI) == "C:\\dl")
        self.open_folder("sub")
        m.drv("key", MAIN_TITLE, "F5")
        wait_for("F5 back in C:\\dl", lambda: m.text("DIRDSP") == "C:\\dl")

        # The text viewer shows the selected text file.
        m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index("readme.txt"))
        m.drv("click", MAIN_TITLE, "テキスト")
        viewer = "ZelDocForm:readme.txt - テキスト表示"
        m.drv("find", viewer, 10000)
        self.assertIn("はじめにお読み下さい", m.drv("text", viewer, "1501")[1])
        m.drv("close", viewer)

        # The options dialog: its boxes reach their settings (the stored forms and
        # the notice are unit-tested), Cancel writes nothing.
        m.drv("click", MAIN_TITLE, "設定")
        m.drv("find", OPTIONS, 20000)
        for caption in ("全フォルダーの第１レベルのみ", "実行時、警告を表示する",
                        "レジストリを値まで記録する"):  # Wine is a present-day Windows: on by default
            self.assertTrue(m.state("checked", caption, OPTIONS), caption)
        m.screenshot("options-dialog")
        # No test ran: the system save button asks for the save folder; a
        # cancelled chooser opens nothing.
        m.drv("click", OPTIONS, "システム保存 画面")
        m.drv("find", CHOOSER, 20000)
        m.drv("click", CHOOSER, "キャンセル")
        m.drv("gone", CHOOSER, 10000)
        self.assertFalse(any("\tZelSystemForm\t" in line for line in m.windows()))
        for caption in ("全フォルダーの下位レベルまで", "黒地にオレンジ", "報告書を記録する", "実行時、警告を表示する",
                        "システム･ファイルを総て保存・復元   （再起動が必要）"):
            m.drv("click", OPTIONS, caption)
        m.drv("click", OPTIONS, "OK")
        self.zel.answer("OK", about="次回の起動時から有効になります")
        m.drv("gone", OPTIONS, 10000)
        for key, value in (("CheckLevel", "2"), ("ZelConColType", "2"), ("Report", "-1"), ("UseWarning", "0"),
                           ("SaveAllSys", "-1"), ("UseMouseHelp", "0")):
            self.assertEqual(m.read_ini("Options", key, INI), value, key)
        before = m.read_bytes(INI)
        m.drv("click", MAIN_TITLE, "設定")
        m.drv("find", OPTIONS, 20000)
        self.assertTrue(m.state("checked", "全フォルダーの下位レベルまで", OPTIONS))
        m.drv("click", OPTIONS, "マウス･ヘルプを使用する")
        m.drv("click", OPTIONS, "白地に黒")
        m.drv("click", OPTIONS, "ｷｬﾝｾﾙ")
        m.drv("gone", OPTIONS, 10000)
        self.assertEqual(m.read_bytes(INI), before)

        # The window's place and size are kept for the next start.
        self.zel.close()
        self.assertGreaterEqual(int(m.read_ini("Options", "WindowLX", INI) or 0), 760)


if __name__ == "__main__":
    import unittest
    unittest.main()

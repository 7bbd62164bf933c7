"""The main window as a person uses it: browsing, filters, a selected file, the picture pane, the
favourite folder, the text viewer, the options dialog and the window's place; and the program's own
message box and input box, shown by msgbox_probe.exe and clicked and typed at."""
import os
import shutil
import struct

from zeltest import CHOOSER, MAIN_TITLE, MESSAGE_BOX as BOX, OPTIONS, E2ETest, QUIET_INI, TEST_BIN, wait_for

INI = "C:\\Zel32\\WinXP\\Zel32.INI"
BUTTONS = {0: ["OK"], 1: ["OK", "キャンセル"], 2: ["OK"], 3: ["はい", "いいえ", "キャンセル"], 4: ["はい", "いいえ"]}


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

    def test_browsing_filtering_and_selecting(self):
        m = self.machine
        # Ctrl+C chooses drive C: as its button does.
        m.drv("chord", MAIN_TITLE, "CTRL+C")
        wait_for("on drive C:", lambda: m.text("DIRDSP") == "C:\\")
        self.assertIn("dl", m.items("DIRGRD"))
        self.assertNotIn("..", m.items("DIRGRD"))
        self.zel.open_folder("dl")
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
        self.zel.open_folder("sub")
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

    def show(self, mode, *args):
        proc = self.machine.show_box(mode, *args)
        box = None
        for _ in range(3):
            box = box or self.machine.message_box(10000)
        self.assertIsNotNone(box, "no message box appeared")
        return proc, box

    def test_clicks_and_keys_answer_with_the_result_of_their_button(self):
        cases = [(0, "click", "OK", 1), (1, "click", "キャンセル", 2), (3, "click", "いいえ", 7),
                 (4, "click", "はい", 6), (2, "click", "OK", 1),  # an unknown set shows OK alone
                 (4, "key", "Y", 6), (3, "key", "N", 7), (0, "key", "ESC", 2),
                 (4 | 0x100, "key", "ENTER", 7),  # No is the default
                 (3 | 0x200, "key", "ENTER", 2),  # the third button is the default
                 (4, "key", "ESC A N", 7)]  # Escape without Cancel or OK, and other keys, do nothing
        for style, how, what, result in cases:
            with self.subTest(style=style, press=what):
                proc, box = self.show("box", style, "確認します")
                self.assertEqual((box["title"], box["buttons"]), ("ゼルカ", BUTTONS[style & 0xf]))
                for press in what.split(" "):
                    self.machine.drv(how, BOX, press)
                self.assertEqual(proc.wait(20), result)

    def test_the_box_stays_on_screen_beside_a_minimised_owner(self):
        proc, _ = self.show("minimised", 0, "持ち主は最小化されています")
        left, top, right, bottom, width, height = map(int, self.machine.drv("rect", BOX)[1].split())
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height,
                        (left, top, right, bottom, width, height))
        self.machine.drv("click", BOX, "OK")
        self.assertEqual(proc.wait(20), 1)

    def test_the_input_box_returns_the_text_or_nothing(self):
        for press, typed, result in (("OK", "D:\\文書", 1), ("ESC", "", 2)):
            proc, _ = self.show("input", "{4}場所{0}を入力して下さい", "ZEL", "C:\\My Documents")
            if typed:
                self.machine.drv("settext", "ZelInputBox:ZEL", "INPLIN", typed)
                self.machine.drv("click", "ZelInputBox:ZEL", press)
            else:
                self.machine.drv("key", "ZelInputBox:ZEL", press)
            self.assertEqual(proc.wait(20), result)
            self.assertEqual(self.machine.read_bytes("C:\\zeltest\\input-result.txt").decode(), typed)


if __name__ == "__main__":
    import unittest
    unittest.main()

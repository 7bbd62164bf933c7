"""The program's own message box and input box, shown by msgbox_probe.exe
(the same code Zel32.exe uses) and answered the way a person would."""
import unittest

from zeltest import E2ETest, Machine

BOX = "ZelMsgBox:ゼルカ"


class MessageBoxTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.holder = unittest.TestCase()
        cls.machine = Machine.fresh(cls.holder, "msgbox")

    @classmethod
    def tearDownClass(cls):
        cls.holder.doCleanups()

    def ask(self, style, text="確認します", mode="box"):
        proc = self.machine.show_box(mode, style, text)
        box = None
        for _ in range(3):
            box = self.machine.message_box(10000)
            if box:
                break
        self.assertIsNotNone(box, "no message box appeared")
        return proc, box

    def answered(self, proc):
        proc.wait(20)
        return proc.returncode

    def test_each_button_set_answers_its_clicks(self):
        cases = [(0, ["OK"], "OK", 1), (1, ["OK", "キャンセル"], "キャンセル", 2),
                 (3, ["はい", "いいえ", "キャンセル"], "いいえ", 7), (4, ["はい", "いいえ"], "はい", 6),
                 (2, ["OK"], "OK", 1)]  # an unknown set shows OK alone
        for style, buttons, press, result in cases:
            with self.subTest(style=style):
                proc, box = self.ask(style)
                self.assertEqual(box["buttons"], buttons)
                self.assertEqual(box["title"], "ゼルカ")
                self.machine.drv("click", BOX, press)
                self.assertEqual(self.answered(proc), result)

    def test_keys_answer_as_the_buttons_allow(self):
        cases = [(4, "Y", 6), (4, "N", 7), (0, "ESC", 2), (1, "ESC", 2), (3, "N", 7),
                 (4 | 0x100, "ENTER", 7),   # No is the default
                 (1 | 0x100, "ENTER", 2),   # Cancel is the default
                 (3 | 0x200, "ENTER", 2),   # the third button is the default
                 (4, "ENTER", 6)]
        for style, key, result in cases:
            with self.subTest(style=style, key=key):
                proc, _ = self.ask(style)
                self.machine.drv("key", BOX, key)
                self.assertEqual(self.answered(proc), result)

    def test_escape_does_nothing_without_cancel_or_ok(self):
        proc, _ = self.ask(4 | 0x100)
        self.machine.drv("key", BOX, "ESC")
        self.machine.drv("key", BOX, "A")
        with self.assertRaises(Exception):
            proc.wait(2)
        self.assertIsNotNone(self.machine.message_box(10000), "the box went away")
        self.machine.drv("key", BOX, "N")
        self.assertEqual(self.answered(proc), 7)

    def test_markup_lines_and_colours(self):
        # A colour code carries on into the next line; CR LF is a line break
        # like "|"; "||" leaves an empty line. Look at the screenshot.
        proc, box = self.ask(0, "{1}青い行|まだ青い{0}黒{cr}{lf}{8}太字{7}||{4}赤い行")
        self.assertEqual(box["all_text"], "青い行\nまだ青い黒\n太字\n\n赤い行")
        self.machine.screenshot("message-box-colours")
        self.machine.drv("key", BOX, "ENTER")
        self.assertEqual(self.answered(proc), 1)

    def test_the_box_stays_on_screen_beside_a_minimised_owner(self):
        proc = self.machine.show_box("minimised", 0, "持ち主は最小化されています")
        self.assertIsNotNone(self.machine.message_box(10000))
        left, top, right, bottom, width, height = map(int, self.machine.drv("rect", BOX)[1].split())
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height,
                        (left, top, right, bottom, width, height))
        self.machine.drv("click", BOX, "OK")
        self.assertEqual(self.answered(proc), 1)

    def test_the_input_box_returns_the_text_or_nothing(self):
        proc = self.machine.show_box("input", "{4}場所{0}を入力して下さい", "ZEL", "C:\\My Documents")
        self.assertIsNotNone(self.machine.message_box(10000))
        self.machine.drv("settext", "ZelInputBox:ZEL", "INPLIN", "D:\\文書")
        self.machine.drv("click", "ZelInputBox:ZEL", "OK")
        self.assertEqual(self.answered(proc), 1)
        with open(self.machine.path("C:\\zeltest\\input-result.txt"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "D:\\文書")
        proc = self.machine.show_box("input", "入力", "ZEL", "初期値")
        self.assertIsNotNone(self.machine.message_box(10000))
        self.machine.drv("key", "ZelInputBox:ZEL", "ESC")
        self.assertEqual(self.answered(proc), 2)
        with open(self.machine.path("C:\\zeltest\\input-result.txt"), encoding="utf-8") as f:
            self.assertEqual(f.read(), "")


if __name__ == "__main__":
    unittest.main()

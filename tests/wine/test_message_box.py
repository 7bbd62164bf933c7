"""The program's own message box and input box, shown by msgbox_probe.exe
(the same code Zel32.exe uses) and answered the way a person would. Which
buttons a style shows and which keys answer are unit-tested; here the window
itself is clicked and typed at."""
from zeltest import MESSAGE_BOX as BOX, E2ETest

BUTTONS = {0: ["OK"], 1: ["OK", "キャンセル"], 2: ["OK"], 3: ["はい", "いいえ", "キャンセル"], 4: ["はい", "いいえ"]}


class MessageBoxTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.machine = cls.class_machine("msgbox")

    def show(self, mode, *args):
        proc = self.machine.show_box(mode, *args)
        box = None
        for _ in range(3):
            box = box or self.machine.message_box(10000)
        self.assertIsNotNone(box, "no message box appeared")
        return proc, box

    def answered(self, proc):
        proc.wait(20)
        return proc.returncode

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
                self.assertEqual(self.answered(proc), result)

    def test_the_box_stays_on_screen_beside_a_minimised_owner(self):
        proc, _ = self.show("minimised", 0, "持ち主は最小化されています")
        left, top, right, bottom, width, height = map(int, self.machine.drv("rect", BOX)[1].split())
        self.assertTrue(0 <= left and right <= width and 0 <= top and bottom <= height,
                        (left, top, right, bottom, width, height))
        self.machine.drv("click", BOX, "OK")
        self.assertEqual(self.answered(proc), 1)

    def test_the_input_box_returns_the_text_or_nothing(self):
        for press, typed, result in (("OK", "D:\\文書", 1), ("ESC", "", 2)):
            proc, _ = self.show("input", "{4}場所{0}を入力して下さい", "ZEL", "C:\\My Documents")
            if typed:
                self.machine.drv("settext", "ZelInputBox:ZEL", "INPLIN", typed)
                self.machine.drv("click", "ZelInputBox:ZEL", press)
            else:
                self.machine.drv("key", "ZelInputBox:ZEL", press)
            self.assertEqual(self.answered(proc), result)
            with open(self.machine.path("C:\\zeltest\\input-result.txt"), encoding="utf-8") as f:
                self.assertEqual(f.read(), typed)


if __name__ == "__main__":
    import unittest
    unittest.main()

"""The folder chooser, opened by the copy button on a selected file: typed paths, the keys, the ways
out, and a drive without a medium."""
import os
import shutil
import time
import unittest

from zeltest import E2ETest, MAIN_TITLE, QUIET_INI, wait_for

FORM = "ZelFolderForm:保存先の選択"


class FolderFormTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        # Drive A: is a floppy drive without a disk: its folder is gone.
        cls.machine = m = cls.class_machine("folderform", drives=[("A", "floppy", None)])
        shutil.rmtree(m.drive_folder("A"))
        m.install(ini=QUIET_INI + "DownLoad=C:\\dl\n")
        for folder in ("C:\\dest", "C:\\other"):
            os.makedirs(m.path(folder), exist_ok=True)
        m.write("C:\\dl\\note.txt", b"a note\r\n")
        m.write("C:\\dl\\a.zip", b"PK\x03\x04" + b"\0" * 60)
        cls.zel = m.start_zel()
        cls.zel.wait_ready()

    def open_chooser(self):
        m = self.machine
        files = m.items("FILLST")
        m.drv("select", MAIN_TITLE, "FILLST", files.index("note.txt"))
        m.drv("click", MAIN_TITLE, "保存")
        m.drv("find", FORM, 20000)

    def drop_down_open(self):
        return any(line.split("\t")[1:3] == ["ComboLBox", "visible"] for line in self.machine.windows())

    def form_open(self):
        return any(line.split("\t")[1:] == ["ZelFolderForm", "visible", "保存先の選択"] for line in self.machine.windows())

    def test_1_escape_cancel_and_closing_return_nothing(self):
        m = self.machine
        self.open_chooser()
        self.assertEqual(m.text("DIRLIN", FORM), "C:\\dl")
        self.assertEqual(m.items("DIRBOX", FORM), ["C:\\", "dl"])
        m.screenshot("folder-form")
        m.drv("settext", FORM, "DIRLIN", "C:\\other")
        m.drv("chord", FORM, "ALT+D")
        m.drv("press", FORM, "DOWN")  # a closed drive list opens instead of moving
        wait_for("the drive list opened by Down", self.drop_down_open, 10)
        self.assertTrue(m.text("DRVBOX", FORM).startswith("c:"))
        m.drv("press", FORM, "ESC")
        wait_for("the drive list closed by Escape", lambda: not self.drop_down_open(), 10)
        time.sleep(0.3)
        self.assertTrue(self.form_open(), "Escape with the list open closed the chooser")
        m.drv("press", FORM, "ESC")
        m.drv("gone", FORM, 10000)

        for way_out in (("click", FORM, "キャンセル"), ("close", FORM)):
            self.open_chooser()
            m.drv("settext", FORM, "DIRLIN", "C:\\other")
            m.drv(*way_out)
            m.drv("gone", FORM, 10000)
        time.sleep(0.5)
        self.assertFalse(m.exists("C:\\other\\note.txt"))
        self.assertFalse(any("コピーしました" in line for line in self.zel.console()))

        # Alt+F reaches the folder list: Up moves the highlight without
        # opening, Enter opens it.
        self.open_chooser()
        m.drv("chord", FORM, "ALT+F")
        m.drv("press", FORM, "UP")
        time.sleep(0.3)
        self.assertEqual(m.text("DIRLIN", FORM), "C:\\dl")
        m.drv("press", FORM, "ENTER")
        wait_for("the highlighted folder opened by Enter", lambda: m.text("DIRLIN", FORM) == "C:\\", 10)
        self.assertIn("other", m.items("DIRBOX", FORM))

        # Drive A: has no disk: the chooser says so and stays on C:.
        m.drv("chord", FORM, "ALT+D")
        m.drv("press", FORM, "DOWN")
        wait_for("the drive list opened by Down", self.drop_down_open, 10)
        m.drv("press", FORM, "UP")
        m.drv("press", FORM, "ENTER")
        self.zel.answer("OK", about="ドライブ A: を読み込めません")
        wait_for("the drive list back on C:", lambda: m.text("DRVBOX", FORM).startswith("c:"), 10)
        self.assertEqual(m.text("DIRLIN", FORM), "C:\\")
        # Still usable: a click opens a folder, OK hands it over.
        m.drv("select", FORM, "DIRBOX", m.items("DIRBOX", FORM).index("other"))
        wait_for("the folder opened by a click", lambda: m.text("DIRLIN", FORM) == "C:\\other", 10)
        m.drv("click", FORM, "OK")
        m.drv("gone", FORM, 10000)
        wait_for("the file copied", lambda: m.exists("C:\\other\\note.txt"), 10)

    def test_2_a_typed_path_comes_back_as_typed(self):
        # The chooser opens where the last copy went. Enter moves to OK, OK hands the typed text
        # to the copy unchanged.
        m = self.machine
        self.open_chooser()
        self.assertEqual(m.text("DIRLIN", FORM), "C:\\other")

        m.drv("settext", FORM, "DIRLIN", "C:\\dest")
        m.drv("key", FORM, "ENTER")  # to OK, not yet accepted
        time.sleep(0.5)
        self.assertTrue(self.form_open())
        self.assertFalse(m.exists("C:\\dest\\note.txt"))
        m.drv("key", FORM, "ENTER")
        m.drv("gone", FORM, 10000)
        wait_for("the file copied", lambda: m.exists("C:\\dest\\note.txt"), 10)
        self.assertIn("●『note.txt』を『C:\\dest』へコピーしました", self.zel.console())

        # A path that does not exist comes back unchecked, and the copy says so.
        self.open_chooser()
        m.drv("settext", FORM, "DIRLIN", "C:\\nowhere")
        m.drv("key", FORM, "ENTER")
        m.drv("click", FORM, "OK")
        self.zel.answer("OK", about="フォルダー『C:\\nowhere』は存在しません")
        self.assertFalse(m.exists("C:\\nowhere"))

        # Extracting into a folder asks with the same chooser.
        m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index("a.zip"))
        m.drv("rclick", MAIN_TITLE, "解凍")
        extract_form = "ZelFolderForm:解凍先の選択"
        m.drv("find", extract_form, 20000)
        self.assertEqual(m.text("DIRLIN", extract_form), "C:\\dl")
        m.drv("click", extract_form, "キャンセル")
        m.drv("gone", extract_form, 10000)


if __name__ == "__main__":
    unittest.main()

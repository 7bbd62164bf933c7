"""The folder chooser of the real Zel32.exe, opened by the copy button on a
selected file: a typed path comes back as typed (Enter moves to OK, OK
accepts), Escape closes an open drive drop-down before it cancels, Cancel
and closing return nothing, Alt+D and Alt+F reach the two lists, and a drive
without a medium leaves the chooser on a drive that can be read."""
import os
import shutil
import time
import unittest

from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI

FORM = "ZelFolderForm:保存先の選択"


class FolderFormTest(E2ETest):
    def setUp(self):
        # Drive A: is a floppy drive without a disk: its folder is gone.
        self.machine = m = Machine.fresh(self, "folderform", drives=[("A", "floppy", None)])
        shutil.rmtree(m.drive_folder("A"))
        m.install(ini=QUIET_INI + "DownLoad=C:\\dl\n")
        for folder in ("C:\\dl", "C:\\dest", "C:\\other"):
            os.makedirs(m.path(folder), exist_ok=True)
        with open(m.path("C:\\dl\\note.txt"), "wb") as f:
            f.write(b"a note\r\n")
        with open(m.path("C:\\dl\\a.zip"), "wb") as f:
            f.write(b"PK\x03\x04" + b"\0" * 60)
        self.zel = m.start_zel()
        self.zel.wait_ready()

    def text(self, control, title=FORM):
        return self.machine.drv("text", title, control)[1].rstrip("\n")

    def items(self, control, title=FORM):
        return self.machine.drv("items", title, control)[1].split("\n")[:-1]

    def wait_for(self, condition, what, tries=50):
        for _ in range(tries):
            if condition():
                return
            time.sleep(0.1)
        self.fail(what)

    def open_chooser(self):
        m = self.machine
        files = self.items("FILLST", MAIN_TITLE)
        m.drv("select", MAIN_TITLE, "FILLST", files.index("note.txt"))
        m.drv("click", MAIN_TITLE, "保存")
        m.drv("find", FORM, 20000)

    def drop_down_open(self):
        return any(line.split("\t")[1:3] == ["ComboLBox", "visible"] for line in self.machine.windows())

    def form_open(self):
        return any(line.split("\t")[1:] == ["ZelFolderForm", "visible", "保存先の選択"] for line in self.machine.windows())

    def test_a_typed_path_comes_back_as_typed(self):
        # Reason: the chooser is a real Win32 window driven by keys; only the
        # running program shows that Enter moves to OK, that OK hands the
        # typed text to the copy unchanged, and that the copy lands there.
        m = self.machine
        self.open_chooser()
        self.assertEqual(self.text("DIRLIN"), "C:\\dl")
        self.assertEqual(self.items("DIRBOX"), ["C:\\", "dl"])
        m.screenshot("folder-form")

        m.drv("settext", FORM, "DIRLIN", "C:\\dest")
        m.drv("key", FORM, "ENTER")  # to OK, not yet accepted
        time.sleep(0.5)
        self.assertTrue(self.form_open())
        self.assertFalse(m.exists("C:\\dest\\note.txt"))
        m.drv("key", FORM, "ENTER")
        m.drv("gone", FORM, 10000)
        self.wait_for(lambda: m.exists("C:\\dest\\note.txt"), "the file was not copied")
        self.assertIn("●『note.txt』を『C:\\dest』へコピーしました", self.zel.console())

        # The chooser opens where the last copy went; a path that does not
        # exist comes back unchecked, and the copy says so.
        self.open_chooser()
        self.assertEqual(self.text("DIRLIN"), "C:\\dest")
        m.drv("settext", FORM, "DIRLIN", "C:\\nowhere")
        m.drv("key", FORM, "ENTER")
        m.drv("click", FORM, "OK")
        self.zel.answer("OK", about="フォルダー『C:\\nowhere』は存在しません")
        self.assertFalse(m.exists("C:\\nowhere"))

        # Extracting into a folder asks with the same chooser.
        m.drv("select", MAIN_TITLE, "FILLST", self.items("FILLST", MAIN_TITLE).index("a.zip"))
        m.drv("rclick", MAIN_TITLE, "解凍")
        extract_form = "ZelFolderForm:解凍先の選択"
        m.drv("find", extract_form, 20000)
        self.assertEqual(self.text("DIRLIN", extract_form), "C:\\dl")
        m.drv("click", extract_form, "キャンセル")
        m.drv("gone", extract_form, 10000)

    def test_escape_cancel_and_closing_return_nothing(self):
        # Reason: Escape must close the drive drop-down before it cancels,
        # and every way out but OK must leave the disk untouched; a drive
        # without a disk must not leave the chooser on it.
        m = self.machine
        self.open_chooser()
        m.drv("settext", FORM, "DIRLIN", "C:\\other")
        m.drv("chord", FORM, "ALT+D")
        m.drv("press", FORM, "DOWN")  # a closed drive list opens instead of moving
        self.wait_for(self.drop_down_open, "Down did not open the drive list")
        self.assertTrue(self.text("DRVBOX").startswith("c:"))
        m.drv("press", FORM, "ESC")
        self.wait_for(lambda: not self.drop_down_open(), "Escape did not close the drive list")
        time.sleep(0.3)
        self.assertTrue(self.form_open(), "Escape with the list open closed the chooser")
        m.drv("press", FORM, "ESC")
        m.drv("gone", FORM, 10000)

        self.open_chooser()
        m.drv("settext", FORM, "DIRLIN", "C:\\other")
        m.drv("click", FORM, "キャンセル")
        m.drv("gone", FORM, 10000)

        self.open_chooser()
        m.drv("settext", FORM, "DIRLIN", "C:\\other")
        m.drv("close", FORM)
        m.drv("gone", FORM, 10000)
        time.sleep(0.5)
        self.assertFalse(m.exists("C:\\other\\note.txt"))
        self.assertFalse(any("コピーしました" in line for line in self.zel.console()))

        # Alt+F reaches the folder list: Up moves the highlight without
        # opening, Enter opens it.
        self.open_chooser()
        self.assertEqual(self.text("DIRLIN"), "C:\\dl")
        m.drv("chord", FORM, "ALT+F")
        m.drv("press", FORM, "UP")
        time.sleep(0.3)
        self.assertEqual(self.text("DIRLIN"), "C:\\dl")
        m.drv("press", FORM, "ENTER")
        self.wait_for(lambda: self.text("DIRLIN") == "C:\\", "Enter did not open the highlighted folder")
        self.assertIn("other", self.items("DIRBOX"))

        # Drive A: has no disk: the chooser says so and stays on C:.
        m.drv("chord", FORM, "ALT+D")
        m.drv("press", FORM, "DOWN")
        self.wait_for(self.drop_down_open, "Down did not open the drive list")
        m.drv("press", FORM, "UP")
        m.drv("press", FORM, "ENTER")
        self.zel.answer("OK", about="ドライブ A: を読み込めません")
        self.wait_for(lambda: self.text("DRVBOX").startswith("c:"), "the drive list stayed on A:")
        self.assertEqual(self.text("DIRLIN"), "C:\\")
        # Still usable: a click opens a folder, OK hands it over.
        m.drv("select", FORM, "DIRBOX", self.items("DIRBOX").index("other"))
        self.wait_for(lambda: self.text("DIRLIN") == "C:\\other", "a click did not open the folder")
        m.drv("click", FORM, "OK")
        m.drv("gone", FORM, 10000)
        self.wait_for(lambda: m.exists("C:\\other\\note.txt"), "the file was not copied")


if __name__ == "__main__":
    unittest.main()

"""Archives with no archive library in the machine: extract, contents, hostile archives, and a
self-extracting installer unpacked, run and washed."""
import re

from cycle import INI, Cycle
from zeltest import E2ETest, MAIN_TITLE, wait_for

DONE = re.compile(r"^●『(.+)』を『(.+)』に解凍しました$")


class ArchivesTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        m = cls.machine = cls.class_machine("archives")
        m.install(ini=INI)
        for sample, name in (("cp932.zip", "names.zip"), ("lh7_level2.lzh", "names.lzh"),
                             ("evil_dotdot.zip", "evil.zip"), ("evil_device.lzh", "evil.lzh"),
                             ("installer.exe", "installer.exe")):
            m.install_fixture("samples/" + sample, "C:\\dl", rename=name)
        cls.cycle = Cycle(m)
        cls.cycle.start()
        cls.zel = cls.cycle.zel

    def select(self, name):
        self.zel.go_to("C:\\dl", showing="names.zip")
        self.zel.select_file(name)

    def extracted_into(self, name):
        """Presses F6 and returns the folder of the console's success line."""
        self.select(name)
        self.machine.drv("key", MAIN_TITLE, "F6")
        def folders():
            return [hit.group(2) for hit in map(DONE.match, self.zel.console()) if hit and hit.group(1) == name]
        return wait_for("%s extracted" % name, folders, 60)[0]

    def test_1_extract_button_unpacks_zip_and_lzh_with_japanese_names(self):
        m = self.machine
        for name in ("names.zip", "names.lzh"):
            folder = self.extracted_into(name)
            self.assertRegex(folder, r"\\ZEL\d{4}$")
            self.assertEqual(m.read_bytes(folder + "\\readme.txt"), b"Zel32 sample: readme\r\n")
            self.assertEqual(m.read_bytes(folder + "\\ソフト\\説明.txt"), "説明です。ソフトの表示\r\n".encode("cp932") * 20)
            self.assertEqual(len(m.read_bytes(folder + "\\データ\\table.bin")), 70000)
            self.assertTrue(m.exists(folder + "\\docs"))
            wait_for("the window showing " + folder, lambda: m.text("DIRDSP") == folder)
        m.screenshot("archives-extracted")

    def test_2_contents_list(self):
        self.select("names.lzh")
        self.machine.drv("click", MAIN_TITLE, "内容")
        lines = wait_for("the contents listed", lambda: "【names.lzh】 の内容" in self.zel.console() and self.zel.console())
        at = lines.index("【names.lzh】 の内容")
        self.assertEqual(lines[at + 1:at + 6], ["         0  docs\\", "        22  readme.txt", "         0  empty.txt",
                                                "       480  ソフト\\説明.txt", "     70000  データ\\table.bin"])

    def test_3_hostile_archives_write_nothing_and_say_why(self):
        m = self.machine
        temp = self.extracted_into("names.zip").rsplit("\\", 1)[0]
        before = sorted(p for p in m.box.manifest() if p.upper().startswith(temp.upper()))
        for name, why in (("evil.zip", "『..\\evil.txt』は、解凍先のフォルダーの外を指す名前です"),
                          ("evil.lzh", "『docs\\aux.txt』は、ファイル名に使えない名前です")):
            self.select(name)
            m.drv("key", MAIN_TITLE, "F6")
            box = self.zel.answer("OK", about="『%s』を解凍できませんでした" % name)
            self.assertIn(why, box["all_text"])
            wait_for("the refusal of %s in the console" % name,
                     lambda: "　★解凍できませんでした (%s)" % why in self.zel.console())
        after = sorted(p for p in m.box.manifest() if p.upper().startswith(temp.upper()))
        self.assertEqual(after, before)
        self.assertFalse(m.exists(temp + "\\evil.txt"))

    def zel_folders(self):
        return [p for p in self.machine.box.manifest() if re.search(r"\\ZEL\d{4}$", p)]

    def test_4_self_extracting_installer_is_unpacked_run_and_washed(self):
        m, c = self.machine, self.cycle
        before = self.zel_folders()
        self.select("installer.exe")
        m.drv("click", MAIN_TITLE, "テスト")
        wait_for("the end of the unpacking", lambda: "　　■解凍終了■" in self.zel.console(), 120)
        new = [f for f in self.zel_folders() if f not in before]
        self.assertEqual(len(new), 1)
        self.assertEqual(len(m.read_bytes(new[0] + "\\データ\\table.bin")), 70000)
        # The stub ends at once without a window: the person presses abort.
        wait_for("the test button reading 中止", lambda: m.text("1021").strip() == "中止")
        m.drv("click", MAIN_TITLE, "中止")
        wait_for("the check button enabled", lambda: m.state("enabled", "確認"), 60)
        # The run of an installer ends with the note on its icons.
        self.zel.answer("OK", about="グループ･アイコンや", timeout_ms=60000)
        c.check()
        c.wash()
        m.screenshot("archives-washed")
        self.assertEqual(self.zel_folders(), [])


if __name__ == "__main__":
    import unittest
    unittest.main()

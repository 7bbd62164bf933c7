"""Present-day Windows as Wine shows it: an untouched machine checks clean; a present-day installer's
changes are each listed once and washed, leaving drive C: and the recorded keys as they were but for a
printed allow-list; at 150% and 200% every control stays inside its window and no text is cut."""
import unittest

from cycle import ALLOWED, INI, USER_KEY, Cycle
from zeltest import MAIN_TITLE, OPTIONS, SYSTEM_FORM, E2ETest, Machine, sandbox

NOTHING = " ※ 変更・追加はありません"
# The known folders whose new files are shortcuts and whose new folders are groups.
SHORTCUT_ROLES = {"Desktop", "StartMenu", "Programs", "Startup", "SendTo", "PublicDesktop", "CommonStartMenu",
                  "CommonPrograms", "CommonStartup"}
PROGRAM = "modernsetup.exe"
WORK = sandbox.PROGRAM_FOLDER + "\\WinXP"
VIEWER = "ZelDocForm:readme.txt - テキスト表示"
REG_WASH = "ZelRegWashForm:レジストリの復元指定"

# The keys compared before the test and after the wash: every area the record
# keeps (the 32-bit view of HKLM\SOFTWARE is its Wow6432Node).
AREAS = ("HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\Software",
         "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services")
HKLM, HKCU = "HKEY_LOCAL_MACHINE\\SOFTWARE\\", "HKEY_CURRENT_USER\\Software\\"
REG_AUTOSTART = [
    "●【自動起動】レジストリ値『%sMicrosoft\\Windows\\CurrentVersion\\Run』の『ZelReg』が追加されています" % HKCU,
    "●【自動起動】レジストリ『HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZelRegSvc』が追加されています",
]
REG_OTHERS = [
    "●レジストリ『%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\ZelReg』が追加されています" % HKLM,
    # written alike in both views: one line, washed in both
    "●レジストリ『%sZelReg』が追加されています" % HKLM,
    "●レジストリ『%sClasses\\.zelreg』が追加されています" % HKCU,
    "●レジストリ『%sClasses\\ZelReg.Document』が追加されています" % HKCU,
] + ["●レジストリ値『%sZelRegUser』の『%s』が追加されています" % (HKCU, name)
     for name in ("Text", "Expand", "Multi", "Binary", "Dword", "Qword")] + [
    "●レジストリ値『%sZelRegUser』の『Changed』が変更されています" % HKCU,
    "●レジストリ値『%sZelRegUser』の『Deleted』が削除されています" % HKCU,
]


def washed(line):
    """The wash's line for a line of the check."""
    return line.replace("が追加されています", "を削除しました").replace("が変更されています", "を元に戻しました") \
        .replace("が削除されています", "を元に戻しました").replace("●【自動起動】", "●")


def lines_of(export):
    """An export's keys and value lines as a set of "[key] line" texts."""
    out, key = set(), None
    text = export.decode("utf-16")
    for line in text.replace("\\\r\n  ", "").splitlines():
        if line.startswith("["):
            key = line
            out.add(key)
        elif line and key:
            out.add(key + " " + line)
    return out


def expected_lines(log):
    """The check's line of every change the fixture's log names."""
    lines = []
    for row in log.splitlines():
        fields = row.split("\t")
        if fields[0] not in ("file", "shortcut", "folder"):
            continue
        what, role, path = fields
        shortcuts = role in SHORTCUT_ROLES
        if what == "shortcut" and shortcuts:
            label, subject = "ｼｮｰﾄｶｯﾄ", path[:-len(".lnk")]
        elif what == "folder" and shortcuts:
            label, subject = "ｸﾞﾙｰﾌﾟ", path.rsplit("\\", 1)[1]
        elif what == "folder":
            label, subject = "ﾌｫﾙﾀﾞｰ", path
        else:
            label, subject = "ﾌｧｲﾙ", path
        lines.append("●%s『%s』が追加されています" % (label, subject))
    return lines


class PresentDayCycleTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.cycle = Cycle(cls.class_machine("present"))
        m = cls.cycle.machine
        m.install_fixture(PROGRAM, "C:\\fixtures")
        m.install_fixture("zelreg.exe", "C:\\fixtures")
        cls.cycle.prepare()
        cls.cycle.plant_user_values()
        cls.registry_before = {key: cls.export(m, key, "before%d" % i) for i, key in enumerate(AREAS)}
        m.write("C:\\zeltest\\modernsetup.args", "/delay=3000")
        cls.cycle.start()

    @staticmethod
    def export(m, key, name):
        path = "C:\\zeltest\\%s.reg" % name
        m.box.run(["regedit", "/e", path, key])
        return lines_of(m.read_bytes(path))

    def test_1_an_untouched_machine_checks_clean(self):
        c = self.cycle
        c.machine.drv("click", MAIN_TITLE, "確認")
        c.zel.wait_status("ファイル名をクリックして下さい")
        self.assertEqual(c.zel.console(), [NOTHING])

    def test_2_an_installers_files_and_registry_listed_and_washed(self):
        # modernsetup.exe writes into every known folder, zelreg.exe makes the registry changes.
        c = self.cycle
        m = c.machine
        c.run_fixture(PROGRAM)
        log = m.read_bytes("C:\\zeltest\\modernsetup.log").decode("utf-8")
        self.assertIn("done\t0", log, log)
        added = expected_lines(log)
        absent = log.count("absent\t")
        self.assertLessEqual(absent, 1, log)  # Wine makes no Templates folder
        self.assertEqual(len(added), 2 * (22 - absent), log)  # a file and a folder in each folder
        self.assertIn("end\t0", c.run_registry_fixture())

        check = c.check()
        m.screenshot("present-day-after-check")
        # Every change once, and nothing else: no folder of the list reported for its own time, no
        # noise, and the uninstall entry named by the registry record's line only.
        self.assertEqual(sorted(line for line in check if line.startswith("●")),
                         sorted(added + REG_AUTOSTART + REG_OTHERS))
        self.assertEqual(len([line for line in check if "Uninstall\\ZelReg" in line]), 1, check)
        # Autostart entries stand before every other registry line.
        self.assertLess(max(check.index(line) for line in REG_AUTOSTART), min(check.index(line) for line in REG_OTHERS))
        self.assertTrue(m.exists(WORK + "\\Zel32.rgv"))

        wash, seen = c.wash()
        self.assertIn("レジストリの復元指定", seen)
        for line in added + REG_AUTOSTART + REG_OTHERS:
            self.assertEqual(wash.count(washed(line)), 1, washed(line))
        self.assertFalse(any("できません" in line or "戻せません" in line for line in wash), wash)
        # A complete wash spends the snapshot and its registry record.
        self.assertFalse(m.exists(WORK + "\\Zel32.rgv"))

        added_files, removed, changed, _ = c.difference()
        print("allowed to differ:\n  " + "\n  ".join("%s: %s" % a for a in ALLOWED))
        self.assertEqual((added_files, removed, changed), ([], [], []))
        # The recorded keys are as before the test, values untouched included;
        # what differs is the machine's own bookkeeping, printed.
        for i, key in enumerate(AREAS):
            after = self.export(m, key, "after%d" % i)
            gone, came = sorted(self.registry_before[key] - after), sorted(after - self.registry_before[key])
            if gone or came:
                print("%s differs by itself:\n  - %s\n  + %s" % (key, "\n  - ".join(gone), "\n  + ".join(came)))
            self.assertFalse([t for t in gone + came if "ZelReg" in t], (gone, came))
        user = self.export(m, USER_KEY, "user")
        self.assertIn('[%s] "Kept"=hex:00,ff,10' % USER_KEY, user)
        self.assertIn('[%s] "Changed"=dword:00000001' % USER_KEY, user)


class ScaledDisplayTest(E2ETest):
    """The windows at LogPixels 144 and 192 (the main window, the text viewer, the
    options, the folder chooser, a message box, the system save window and the
    registry choice of a wash), on a screen of such a display's size."""

    @classmethod
    def setUpClass(cls):
        cls.screen = sandbox.Display(size="2560x1600")
        cls.screen.start()

    @classmethod
    def tearDownClass(cls):
        cls.screen.stop()

    def check_window(self, machine, title, dpi):
        """Every control of the window inside it, no one-line text cut; returns its size."""
        # The driver's layout: "dpi width height", then "id class left top right bottom need [text]".
        rows = machine.drv("layout", title)[1].rstrip("\n").split("\n")
        seen_dpi, width, height = (int(v) for v in rows[0].split())
        self.assertEqual(seen_dpi, dpi)
        machine.screenshot("%s-%d" % (title.split(":")[0], dpi))
        self.assertGreater(len(rows), 1)
        for row in rows[1:]:
            cid, cls, left, top, right, bottom, need, text = (row.split(" ", 7) + [""])[:8]
            left, top, right, bottom, need = (int(v) for v in (left, top, right, bottom, need))
            where = "%s %s %s %r" % (title, cid, cls, text)
            self.assertTrue(0 <= left <= right <= width and 0 <= top <= bottom <= height,
                            "%s leaves the window: %s in %dx%d" % (where, (left, top, right, bottom), width, height))
            self.assertLessEqual(need, right - left, "%s: its text is cut" % where)
        return width, height

    def test_windows_at_150_and_200_percent(self):
        sizes = {}
        for dpi in (144, 192):
            with self.subTest(dpi=dpi):
                holder = unittest.TestCase()
                try:
                    reg = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n\"LogPixels\"=dword:%08x\n" % dpi
                    m = Machine.fresh(holder, "dpi%d" % dpi, registry=reg, screen=self.screen.name)
                    m.install(ini=INI)
                    m.install_fixture("zelreg.exe", "C:\\fixtures")
                    m.write("C:\\zeltest\\readme.txt", "はじめにお読み下さい\r\n".encode("cp932"))
                    zel = m.start_zel()
                    zel.wait_ready()
                    sizes[dpi] = self.check_window(m, MAIN_TITLE, dpi)
                    zel.go_to("C:\\zeltest", showing="readme.txt")
                    m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index("readme.txt"))
                    m.drv("click", MAIN_TITLE, "テキスト")
                    m.drv("find", VIEWER, 20000)
                    self.check_window(m, VIEWER, dpi)
                    m.drv("close", VIEWER)
                    # The options window, the folder chooser, the message box refusing a
                    # drive root and the system save window.
                    zel.open_system_form("C:\\ZelSave", lambda title: self.check_window(m, title, dpi))
                    m.drv("click", SYSTEM_FORM, "閉じる")
                    m.drv("click", OPTIONS, "OK")
                    m.drv("gone", OPTIONS, 10000)
                    # A test that changed the registry; without its uninstall entry the wash
                    # goes straight to the registry choice.
                    cycle = Cycle(m)
                    cycle.zel = zel
                    cycle.run_registry_fixture()
                    m.box.run(["reg", "delete", HKLM + "Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelReg", "/f"])
                    m.drv("key", MAIN_TITLE, "F9")
                    m.drv("find", REG_WASH, 60000)
                    self.check_window(m, REG_WASH, dpi)
                finally:
                    holder.doCleanups()
        # The windows grow with the display's DPI.
        self.assertGreater(sizes[192][0], sizes[144][0])
        self.assertGreater(sizes[192][1], sizes[144][1])


if __name__ == "__main__":
    unittest.main()

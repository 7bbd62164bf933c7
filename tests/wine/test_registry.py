"""The registry at key and value level on the present-day kind (Wine reports
NT 6.1 or later): a program makes a present-day installer's registry changes,
the check lists each with its line, the wash undoes them in their views, and
the recorded keys are as they were, the values the test did not touch
included."""
import unittest

from cycle import Cycle
from zeltest import E2ETest, MAIN_TITLE, Machine, QUIET_INI, sandbox

WORK = sandbox.PROGRAM_FOLDER + "\\WinXP"
USER_KEY = "HKEY_CURRENT_USER\\Software\\ZelRegUser"
# The keys compared before the test and after the wash: every area the record
# keeps (the 32-bit view of HKLM\SOFTWARE is its Wow6432Node).
AREAS = ("HKEY_CURRENT_USER\\Software", "HKEY_LOCAL_MACHINE\\Software",
         "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services")


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


class RegistryTest(E2ETest):
    def export(self, key, name):
        m = self.machine
        path = "C:\\zeltest\\%s.reg" % name
        m.box.run(["regedit", "/e", path, key])
        return lines_of(m.read_bytes(path))

    def test_every_change_is_listed_and_undone_in_its_view(self):
        m = self.machine = Machine.fresh(self, "registry")
        m.install(ini=QUIET_INI + "UseMouseHelp=0\nUseWarning=0\n")
        m.install_fixture("zelreg.exe", "C:\\fixtures")
        # The user's values the program changes and deletes, and one it leaves.
        # A fresh machine has no HKCU\Software\Classes yet; a user's always has.
        m.box.run(["reg", "add", "HKEY_CURRENT_USER\\Software\\Classes\\.zelplanted", "/ve", "/d", "planted", "/f"])
        for name, kind, data in (("Changed", "REG_DWORD", "1"), ("Deleted", "REG_SZ", "まもなく消える"),
                                 ("Kept", "REG_BINARY", "00ff10")):
            m.box.run(["reg", "add", USER_KEY, "/v", name, "/t", kind, "/d", data, "/f"])
        before = {key: self.export(key, "before%d" % i) for i, key in enumerate(AREAS)}

        c = Cycle(m)
        c.start()
        self.assertTrue(m.exists(WORK + "\\Zel32.rgv"))
        m.drv("chord", MAIN_TITLE, "CTRL+C")
        c.wait_for(lambda: c.text("DIRDSP") == "C:\\")
        m.drv("activate", MAIN_TITLE, "DIRGRD", c.items("DIRGRD").index("fixtures"))
        c.wait_for(lambda: c.text("DIRDSP") == "C:\\fixtures")
        m.drv("select", MAIN_TITLE, "FILLST", c.items("FILLST").index("zelreg.exe"))
        m.drv("click", MAIN_TITLE, "テスト")
        c.wait_for(lambda: "    zelreg.exe 実行終了" in c.items("CONSOL"), 90)
        self.assertIn("end\t0", m.read_bytes("C:\\zeltest\\zelreg.log").decode("utf-8"))

        check = c.check()
        print("\ncheck:\n  " + "\n  ".join(check))
        hklm, hkcu = "HKEY_LOCAL_MACHINE\\SOFTWARE\\", "HKEY_CURRENT_USER\\Software\\"
        autostart = [
            "●【自動起動】レジストリ値『%sMicrosoft\\Windows\\CurrentVersion\\Run』の『ZelReg』が追加されています" % hkcu,
            "●【自動起動】レジストリ『HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\ZelRegSvc』が追加されています",
        ]
        others = [
            "●レジストリ『%sMicrosoft\\Windows\\CurrentVersion\\Uninstall\\ZelReg』が追加されています" % hklm,
            # written alike in both views: one line, washed in both
            "●レジストリ『%sZelReg』が追加されています" % hklm,
            "●レジストリ『%sClasses\\.zelreg』が追加されています" % hkcu,
            "●レジストリ『%sClasses\\ZelReg.Document』が追加されています" % hkcu,
        ] + ["●レジストリ値『%sZelRegUser』の『%s』が追加されています" % (hkcu, name)
             for name in ("Text", "Expand", "Multi", "Binary", "Dword", "Qword")] + [
            "●レジストリ値『%sZelRegUser』の『Changed』が変更されています" % hkcu,
            "●レジストリ値『%sZelRegUser』の『Deleted』が削除されています" % hkcu,
        ]
        for line in autostart + others:
            self.assertIn(line, check)
        # Autostart entries stand before every other registry line.
        self.assertLess(max(check.index(line) for line in autostart), min(check.index(line) for line in others))
        self.assertFalse(any("Wow6432Node" in line or "ZelReg" in line and line not in autostart + others
                             for line in check), check)

        wash, seen = c.wash()
        print("wash:\n  " + "\n  ".join(wash))
        self.assertIn("レジストリの復元指定", seen)
        for line in autostart + others:
            done = line.replace("が追加されています", "を削除しました").replace("が変更されています", "を元に戻しました") \
                .replace("が削除されています", "を元に戻しました").replace("●【自動起動】", "●")
            self.assertEqual(wash.count(done), 1, done)
        self.assertFalse(any("できません" in line or "戻せません" in line for line in wash), wash)
        # A complete wash spends the snapshot and its registry record.
        self.assertFalse(m.exists(WORK + "\\Zel32.rgv"))

        # The recorded keys are as before the test, values untouched included;
        # what differs is the machine's own bookkeeping, printed.
        for i, key in enumerate(AREAS):
            after = self.export(key, "after%d" % i)
            gone, came = sorted(before[key] - after), sorted(after - before[key])
            if gone or came:
                print("%s differs by itself:\n  - %s\n  + %s" % (key, "\n  - ".join(gone), "\n  + ".join(came)))
            self.assertFalse([t for t in gone + came if "ZelReg" in t], (gone, came))
        self.assertIn('[%s] "Kept"=hex:00,ff,10' % USER_KEY, self.export(USER_KEY, "user"))
        self.assertIn('[%s] "Changed"=dword:00000001' % USER_KEY, self.export(USER_KEY, "user"))


if __name__ == "__main__":
    unittest.main()

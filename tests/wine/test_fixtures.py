"""The fixture programs under test on their own, without Zel32.exe: their
refusal to run anywhere but in the sandboxed machine, their refusal of bad
switches, and the installer's changes as the system's own tools see them.
One machine for all."""
import os
import unittest

from zeltest import BUILD, SANDBOX_MARKER, E2ETest, Machine, sandbox

FOLDER = "C:\\fixtures"
SETUP = "ZelFixSetup:Zel Fixture セットアップ"
# What the installer carries and the compressed library was made from.
PAYLOAD = os.path.join(BUILD, "tests", "fixtures", "programs", "payload")

APP_DIR = "C:\\Program Files\\ZelFixture"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelFixture"
FONTS_KEY = "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts"
SHARED = "C:\\windows\\zelshared.dat"


class _ClassScope:
    """Lets Machine.fresh register its shutdown as a class cleanup."""

    def __init__(self, cls):
        self.addCleanup = cls.addClassCleanup


def payload(name):
    with open(os.path.join(PAYLOAD, name), "rb") as f:
        return f.read()


class FixtureProgramsTest(E2ETest):
    @classmethod
    def setUpClass(cls):
        cls.machine = m = Machine.fresh(_ClassScope(cls), "fixtures")
        cls.fixapp = m.install_fixture("fixapp.exe", FOLDER)
        cls.fixdialog = m.install_fixture("fixdialog.exe", FOLDER)
        cls.libapp = m.install_fixture("libapp", FOLDER)
        cls.zelsetup = m.install_fixture("zelsetup.exe", FOLDER)
        users = [u for u in os.listdir(m.path("C:\\users")) if u != "Public"]
        cls.programs = "C:\\users\\%s\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs" % users[0]

    # --- helpers -----------------------------------------------------------------

    def start(self, exe, *args):
        proc = self.machine.box.start([exe] + list(args))
        self.machine.procs.append(proc)
        return proc

    def exit_code(self, proc, timeout=60):
        proc.wait(timeout)
        return proc.returncode

    def run_quietly(self, exe, *args):
        return self.machine.box.run([exe] + list(args), check=False, timeout=60).returncode

    def log(self, program):
        path = self.machine.path("C:\\zeltest\\%s.log" % program)
        if not os.path.exists(path):
            return []
        with open(path, "rb") as f:
            return f.read().decode("utf-8").splitlines()

    def find(self, window):
        self.machine.drv("find", window, 20000, timeout=60)

    def showing(self, title):
        return any(w.split("\t")[-1] == title for w in self.machine.windows())

    def reg(self, key, value=None):
        """The values of a registry key as `reg query` reads them: name -> (type, data)."""
        args = ["reg", "query", key] + (["/v", value] if value else [])
        proc = self.machine.box.run(args, check=False)
        if proc.returncode != 0:
            return None
        values = {}
        for line in proc.stdout.decode("cp932").splitlines():
            parts = line.strip().split("    ")
            if line.startswith("    ") and len(parts) == 3:
                values[parts[0]] = (parts[1], parts[2])
        return values

    def assertSameBytes(self, win_path, data):
        self.assertTrue(self.machine.exists(win_path), win_path)
        self.assertEqual(self.machine.read_bytes(win_path), data, win_path)

    # --- the tests ---------------------------------------------------------------

    def test_every_fixture_refuses_to_run_without_the_marker(self):
        m = self.machine
        marker = m.path(SANDBOX_MARKER)
        aside = m.path(SANDBOX_MARKER + ".aside")
        os.rename(marker, aside)
        try:
            before = m.box.manifest()
            for exe, args in ((self.fixapp, ["/write", "C:\\fixtures\\refused.dat", "1"]), (self.fixdialog, []),
                              (self.libapp, []), (self.zelsetup, ["/delay=0"])):
                self.assertEqual(self.run_quietly(exe, *args), 99, exe)
            # A folder of the marker's name is no marker either.
            os.mkdir(marker)
            self.assertEqual(self.run_quietly(self.zelsetup, "/delay=0"), 99)
            os.rmdir(marker)
            # Nothing written: no file of a step, no log, not even a truncated one.
            self.assertEqual(sandbox.manifest_diff(before, m.box.manifest()), ([], [], [], []), "changed on drive C:")
        finally:
            if os.path.isdir(marker):
                os.rmdir(marker)
            os.rename(aside, marker)

    def test_bad_switches_are_refused_before_anything_is_done(self):
        # What the fixtures do is asserted by the tests that run them under the
        # program (test_launch, test_cycle, test_wash_traps); here only what
        # those tests cannot see: a mistyped switch does nothing at all.
        m = self.machine
        self.assertEqual(self.run_quietly(self.fixapp, "/write", "C:\\fixtures\\x.dat"), 2)
        self.assertEqual(self.log("fixapp"), ["error\tusage\t/write"])
        self.assertFalse(m.exists("C:\\fixtures\\x.dat"))
        self.assertEqual(self.run_quietly(self.zelsetup, "/only=files,bogus"), 2)
        self.assertEqual(self.log("zelsetup"), ["error\tusage\tstep bogus"])
        self.assertFalse(m.exists(APP_DIR))

    def test_installer_makes_one_change_of_every_kind(self):
        m = self.machine
        # Everything, with the shared file planted before; the window closes itself.
        with open(m.path(SHARED), "wb") as f:
            f.write(b"planted before the test\r\n")
        proc = self.start(self.zelsetup)
        self.find(SETUP)
        self.assertEqual(self.exit_code(proc, 60), 0, self.log("zelsetup"))
        programs, group = self.programs, self.programs + "\\Zel Fixture"
        log = self.log("zelsetup")
        self.assertIn("font\tC:\\windows\\Fonts\\zelfix.ttf\tZel Fixture\t1", log)  # the font was really added
        self.assertEqual(log[-2:], ["done\t0", "end\t0"])

        # The disk.
        self.assertSameBytes(APP_DIR + "\\ZelFixture.exe", m.read_bytes(self.zelsetup))
        self.assertSameBytes(APP_DIR + "\\readme.txt", "Zel Fixture\r\nテスト用のプログラムです。\r\n".encode("cp932"))
        self.assertSameBytes(APP_DIR + "\\uninst.exe", m.read_bytes(self.fixapp))
        for link, target in ((programs + "\\Zel Fixture.lnk", "ZelFixture.exe"), (group + "\\説明書.lnk", "readme.txt")):
            data = m.read_bytes(link)
            self.assertEqual(data[:20], bytes.fromhex("4c0000000114020000000000c000000000000046"), link)
            self.assertIn(target.encode("utf-16-le"), data, link)
        self.assertSameBytes("C:\\windows\\system32\\zelfix.dll", payload("zelfix.dll"))
        self.assertSameBytes("C:\\windows\\Fonts\\zelfix.ttf", payload("zelfix.ttf"))
        self.assertSameBytes("C:\\ZelFixtureData\\data.txt", b"Zel Fixture data\r\n")
        self.assertTrue(m.exists("C:\\windows\\temp\\zelfix.tmp"))
        self.assertSameBytes(SHARED, b"Zel Fixture setup rewrote this file.\r\n")
        self.assertIn(b"[ZelFixture]\r\nInstalled=1\r\nPath=C:\\Program Files\\ZelFixture\r\n",
                      m.read_bytes("C:\\windows\\win.ini"))

        # The registry, as the system's own tool reads it.
        self.assertEqual(self.reg(UNINSTALL_KEY), {
            "DisplayName": ("REG_SZ", "Zel Fixture"),
            "UninstallString": ("REG_SZ", '"%s\\uninst.exe"' % APP_DIR),
            "InstallLocation": ("REG_SZ", APP_DIR)})
        self.assertEqual(self.reg("HKCU\\Software\\ZelFixture"), {
            "Version": ("REG_SZ", "1.0"), "InstallDir": ("REG_SZ", APP_DIR), "Runs": ("REG_DWORD", "0x1")})
        self.assertEqual(self.reg("HKCU\\Software\\ZelFixture\\Settings"), {"Language": ("REG_SZ", "日本語")})
        self.assertEqual(self.reg(FONTS_KEY, "Zel Fixture (TrueType)"),
                         {"Zel Fixture (TrueType)": ("REG_SZ", "zelfix.ttf")})
        self.assertFalse(self.showing("Zel Fixture セットアップ"))

        # The uninstaller the key names runs (a copy of fixapp, logging under its own name).
        self.assertEqual(self.run_quietly(APP_DIR + "\\uninst.exe", "/nowindow", "0"), 0)
        self.assertEqual(self.log("uninst"), ["nowindow\t0", "end\t0"])


if __name__ == "__main__":
    unittest.main()

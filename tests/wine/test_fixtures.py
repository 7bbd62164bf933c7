"""The fixture programs under test on their own, without Zel32.exe: their
windows, the changes they make to the machine and their logs, and their
refusal to run anywhere but in the sandboxed machine. One machine for all."""
import os
import time
import unittest

from zeltest import BUILD, SANDBOX_MARKER, E2ETest, Machine, sandbox, wait_for

FOLDER = "C:\\fixtures"
APP = "ZelFixApp:フィクスチャ・アプリ"
DIALOG = "#32770:フィクスチャ・ダイアログ"
LIBAPP = "ZelFixLibApp:ライブラリ・アプリ"
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

    def wait_log(self, program, line):
        """Waits until the program's log holds a line starting with LINE; returns the log."""
        return wait_for("a line %r in %s.log" % (line, program),
                        lambda: any(x.startswith(line) for x in self.log(program)) and self.log(program))

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

    def test_fixapp_writes_a_file_once_shown_and_ends_when_closed(self):
        m = self.machine
        big = FOLDER + "\\big.dat"
        proc = self.start(self.fixapp, "/write", big, "3")
        self.find(APP)
        self.wait_log("fixapp", "file\t")
        self.assertEqual(os.path.getsize(m.path(big)), 3 * 1024 * 1024)
        self.assertIsNone(proc.poll(), "the program must keep running after writing")
        m.drv("close", APP)
        self.assertEqual(self.exit_code(proc), 0)
        self.assertEqual(self.log("fixapp"), ["window\tフィクスチャ・アプリ\t00CF0000",
                                              "file\t%s\t%d" % (big, 3 * 1024 * 1024), "end\t0"])

    def test_fixapp_closes_itself_runs_without_a_window_and_rejects_bad_switches(self):
        m = self.machine
        proc = self.start(self.fixapp, "/close-after", "1")
        self.find(APP)
        self.assertEqual(self.exit_code(proc, 30), 0)
        self.assertEqual(self.log("fixapp"), ["window\tフィクスチャ・アプリ\t00CF0000", "close-after\t1", "end\t0"])
        self.assertFalse(self.showing("フィクスチャ・アプリ"))

        proc = self.start(self.fixapp, "/nowindow", "3")
        self.wait_log("fixapp", "nowindow\t3")
        self.assertIsNone(proc.poll())
        self.assertFalse(self.showing("フィクスチャ・アプリ"), "/nowindow opened a window")
        self.assertEqual(self.exit_code(proc, 30), 0)
        self.assertEqual(self.log("fixapp"), ["nowindow\t3", "end\t0"])

        self.assertEqual(self.run_quietly(self.fixapp, "/write", "C:\\fixtures\\x.dat"), 2)
        self.assertEqual(self.log("fixapp"), ["error\tusage\t/write"])
        self.assertFalse(m.exists("C:\\fixtures\\x.dat"))

    def test_fixdialog_shows_a_dialog_style_window(self):
        proc = self.start(self.fixdialog)
        self.find(DIALOG)
        lines = self.wait_log("fixdialog", "dialog\t")
        # Caption and system menu; no sizing frame, no minimise or maximise box.
        self.assertEqual(lines, ["dialog\tフィクスチャ・ダイアログ\t00C80000"])
        self.machine.drv("close", DIALOG)
        self.assertEqual(self.exit_code(proc), 0)
        self.assertEqual(self.log("fixdialog")[-1], "end\t0")
        self.assertFalse(self.showing("フィクスチャ・ダイアログ"))

    def test_libapp_brings_real_libraries_and_a_system_library_name(self):
        m = self.machine
        folder = FOLDER + "\\libapp"
        self.assertEqual(sorted(os.listdir(m.path(folder))),
                         ["fixctl.ocx", "fixlib.dll", "fixold.dl_", "libapp.exe", "msacm32.dll"])
        # The name clash is real: the system folder has its own msacm32.dll.
        system_copy = m.read_bytes("C:\\windows\\system32\\msacm32.dll")
        self.assertNotEqual(m.read_bytes(folder + "\\msacm32.dll"), system_copy)

        proc = self.start(self.libapp)
        self.find(LIBAPP)
        self.wait_log("libapp", "window\t")
        m.drv("close", LIBAPP)
        self.assertEqual(self.exit_code(proc), 0)
        # Each library answered with its own number: the program loaded the
        # ones of its folder, and they are real libraries.
        self.assertEqual(self.log("libapp"), ["library\tfixlib.dll\t1", "library\tfixctl.ocx\t2",
                                              "window\tライブラリ・アプリ\t00CF0000", "end\t0"])

        # The compressed-name library is the MS-DOS compressed form of a real
        # library: the system's expand program gives it back byte for byte.
        self.assertEqual(m.read_bytes(folder + "\\fixold.dl_")[:8], b"SZDD\x88\xf0\x27\x33")
        m.box.run(["expand", folder + "\\fixold.dl_", FOLDER + "\\fixold.dll"])
        self.assertSameBytes(FOLDER + "\\fixold.dll", payload("fixold.dll"))
        self.assertEqual(payload("fixold.dll")[:2], b"MZ")

    def test_installer_makes_one_change_of_every_kind(self):
        m = self.machine
        # An unknown step: nothing done.
        self.assertEqual(self.run_quietly(self.zelsetup, "/only=files,bogus"), 2)
        self.assertEqual(self.log("zelsetup"), ["error\tusage\tstep bogus"])
        self.assertFalse(m.exists(APP_DIR))

        # Some steps only, in the program's own order; the shared file is
        # left alone when it is not there; /stay keeps the window.
        self.assertFalse(m.exists(SHARED))
        proc = self.start(self.zelsetup, "/only=registry,temp,shared", "/stay", "/delay=0")
        self.find(SETUP)
        self.wait_log("zelsetup", "done\t")
        self.assertEqual(self.log("zelsetup"), [
            "file\tC:\\windows\\Temp\\zelfix.tmp",
            "absent\t" + SHARED,
            "registry\tHKCU\\Software\\ZelFixture\tVersion\t1.0",
            "registry\tHKCU\\Software\\ZelFixture\tInstallDir\t" + APP_DIR,
            "registry\tHKCU\\Software\\ZelFixture\tRuns\t1",
            "registry\tHKCU\\Software\\ZelFixture\\Settings\tLanguage\t日本語",
            "done\t0"])
        for path in (APP_DIR, "C:\\ZelFixtureData", "C:\\windows\\Fonts\\zelfix.ttf", SHARED,
                     "C:\\windows\\system32\\zelfix.dll", self.programs + "\\Zel Fixture.lnk"):
            self.assertFalse(m.exists(path), path)
        self.assertIsNone(self.reg(UNINSTALL_KEY))
        time.sleep(1)
        self.assertIsNone(proc.poll(), "/stay: the window must stay until closed")
        m.drv("close", SETUP)
        self.assertEqual(self.exit_code(proc), 0)
        self.assertEqual(self.log("zelsetup")[-1], "end\t0")

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

"""The test cycle with the installer-like fixture, as a person does it through the driver (start,
snapshot, test, check, wash); used by the tests and by the run command without a display."""
import time

from zeltest import MAIN_TITLE, QUIET_INI, sandbox, wait_for

CHECKED = "洗浄ボタンか、ファイル名をクリックして下さい"
READY = "ファイルを選択して下さい"
INI = QUIET_INI + "UseMouseHelp=0\nUseWarning=0\nRegScanInst=-1\n"

# The user's values under this key that zelreg.exe changes, deletes and leaves.
USER_KEY = "HKEY_CURRENT_USER\\Software\\ZelRegUser"
PLANTED = (("Changed", "REG_DWORD", "1"), ("Deleted", "REG_SZ", "まもなく消える"), ("Kept", "REG_BINARY", "00ff10"))

# What may differ on C: after the wash, and why.
ALLOWED = (
    (sandbox.PROGRAM_FOLDER, "the program's own folder: its work folder, snapshot copies and records"),
    ("C:\\zeltest", "the driver of the run and the fixture's log"),
    ("C:\\windows\\PIF", "the archivers' support files, made at the program's first start"),
    ("C:\\windows\\zelshared.dat", "overwritten by the fixture; no copy was saved that could put it back"),
    ("C:\\windows\\temp", "a temporary folder: it changes by itself, so the check leaves it out"),
)


class Cycle:
    def __init__(self, machine):
        self.machine = machine
        self.zel = None
        self.before = None

    # --- the parts -------------------------------------------------------------

    def prepare(self):
        """The program, the fixture and a file of the user's that it will overwrite."""
        m = self.machine
        m.install(ini=INI)
        m.install_fixture("zelsetup.exe", "C:\\fixtures")
        m.write("C:\\windows\\zelshared.dat", "the user's shared file\n")
        self.fixture_args("/delay=3000")  # long enough for the monitor to see the window
        self.before = m.box.manifest()

    def fixture_args(self, args):
        self.machine.write("C:\\zeltest\\zelsetup.args", args)

    def start(self, extra_env=None):
        self.zel = self.machine.start_zel(extra_env=extra_env)
        self.zel.wait_ready()

    def lit(self, lamp):
        """Whether the lamp INIDSP1 (WIN.INI), INIDSP2 (SYSTEM.INI) or INIDSP3 (the registry) is lit."""
        return self.machine.state("lit", lamp)

    def start_fixture(self, program="zelsetup.exe"):
        """Selects C:\\fixtures\\PROGRAM and presses テスト."""
        self.zel.go_to("C:\\fixtures")
        self.zel.start_file(program)

    def run_fixture(self, program="zelsetup.exe"):
        """Starts the fixture and answers the installer's closing message."""
        self.start_fixture(program)
        self.zel.answer("OK", about="グループ･アイコンや", timeout_ms=60000)

    def plant_user_values(self):
        """The user's values zelreg.exe changes, deletes and leaves, and HKCU\\Software\\Classes
        (a user's machine always has it, a fresh one not yet)."""
        run = self.machine.box.run
        run(["reg", "add", "HKEY_CURRENT_USER\\Software\\Classes\\.zelplanted", "/ve", "/d", "planted", "/f"])
        for name, kind, data in PLANTED:
            run(["reg", "add", USER_KEY, "/v", name, "/t", kind, "/d", data, "/f"])

    def run_registry_fixture(self):
        """zelreg.exe: a present-day installer's registry changes, no window."""
        self.start_fixture("zelreg.exe")
        wait_for("the end of zelreg.exe's run", lambda: "    zelreg.exe 実行終了" in self.zel.console(), 90)
        return self.machine.read_bytes("C:\\zeltest\\zelreg.log").decode("utf-8")

    def check(self):
        """F8; the check's console."""
        self.machine.drv("key", MAIN_TITLE, "F8")
        self.zel.wait_status(CHECKED, timeout=120)
        return self.zel.console()

    def wash(self, close_panel=True, again=False):
        """F9 (twice when again: the second must start nothing) and a person's answers until the wash
        ends; returns the wash's console and the texts of the questions."""
        m, zel = self.machine, self.zel
        m.drv("key", MAIN_TITLE, "F9")
        if again:
            m.drv("key", MAIN_TITLE, "F9", check=False)
        seen = []
        deadline = time.time() + 240
        while time.time() < deadline and zel.status() != READY:
            if m.drv("find", "ZelRegWashForm:レジストリの復元指定", 300, check=False)[0] == 0:
                seen.append("レジストリの復元指定")
                m.drv("click", "ZelRegWashForm:レジストリの復元指定", "洗浄する (&D)")
                continue
            box = m.message_box(1500)
            if box is None or box["title"] != "ゼルカ":  # the control panel's page is a dialog too
                continue
            seen.append(box["all_text"])
            if "削除できるリストの中から" in box["all_text"]:
                m.drv("answer", "OK")
                if close_panel:  # the person removes nothing there and closes it
                    m.drv("close", "プログラムの追加と削除")
            elif "画面が開きません" in box["all_text"] or "洗浄を続行" in box["all_text"]:
                m.drv("answer", "はい")
            else:
                m.drv("answer", "OK")
        return self.zel.console(), seen

    def difference(self):
        """The drive against its state before the test: (added, removed,
        changed, differing where allowed)."""
        return sandbox.manifest_diff(self.before, self.machine.box.manifest(), [p for p, _ in ALLOWED])

    def user(self):
        return [p for p in self.machine.box.manifest() if p.upper().startswith("C:\\USERS\\")][0].split("\\")[2]

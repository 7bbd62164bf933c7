"""Helpers of the end-to-end tests: a fresh sandboxed machine (Machine) and a person's steps through
the driver zeldrv.exe (Zel). A helper that gives up waiting names the state it waited for."""
import atexit
import configparser
import os
import shutil
import subprocess
import sys
import time
import unittest

SOURCE = os.environ.get("ZEL_SOURCE", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD = os.environ.get("ZEL_BUILD", os.path.join(SOURCE, "build", "win64"))
sys.path.insert(0, os.path.join(SOURCE, "scripts"))
import sandbox  # noqa: E402

BIN = os.path.join(BUILD, "bin")
TEST_BIN = os.path.join(BUILD, "testbin")
FIXTURES = os.path.join(BUILD, "fixtures")
FIXTURE_PROGRAMS = os.path.join(FIXTURES, "programs")
# The fixture programs run only where this file exists (tests/fixtures/programs/fixture.h).
SANDBOX_MARKER = "C:\\zeltest\\sandbox.marker"
ARTIFACTS = os.path.join(BUILD, "test-artifacts")
MAIN_TITLE = "ZelForm:ゼルカ"
OPTIONS = "ZelOptionForm:オプション設定"
CHOOSER = "ZelFolderForm:システム保存フォルダーの選択"
MESSAGE_BOX = "ZelMsgBox:ゼルカ"
SYSTEM_FORM = "ZelSystemForm:システムの保存と復元"

# Settings that keep the first start quiet: the NT-family notice accepted.
QUIET_INI = "[Options]\nCheckLevel= 1\nQuery2000=-1\n"

_display = None


def display():
    """The virtual display of this test run: ZEL_TEST_DISPLAY or one of our own."""
    global _display
    if os.environ.get("ZEL_TEST_DISPLAY"):
        return os.environ["ZEL_TEST_DISPLAY"]
    if _display is None:
        _display = sandbox.Display()
        _display.start()
        atexit.register(_display.stop)
    return _display.name


class DriverError(AssertionError):
    pass


def wait_for(what, condition, seconds=30, every=0.2):
    """Asks CONDITION until it holds and returns its value; fails after SECONDS
    with WHAT, the awaited state, and the last value the condition gave."""
    deadline = time.time() + seconds
    while True:
        seen = condition()
        if seen:
            return seen
        if time.time() >= deadline:
            raise DriverError("after %d s still not %s (last seen: %r)" % (seconds, what, seen))
        time.sleep(every)


class Machine:
    """A fresh sandboxed Windows machine for one test."""

    def __init__(self, box):
        self.box = box
        self.procs = []

    @classmethod
    def fresh(cls, test, name, drives=(), windows_98=False, registry=None, screen=None):
        """A new machine, shut down by TEST's cleanups; drives are (letter, kind, serial) tuples,
        added before the server starts, as is registry text (REGEDIT4 form) to import; screen is
        a display of the machine's own."""
        box = sandbox.Sandbox.fresh(BUILD, name, screen or display())
        machine = cls(box)
        test.addCleanup(machine.shutdown)
        # The extra drives' folders start empty too.
        shutil.rmtree(os.path.dirname(machine.drive_folder("A")), ignore_errors=True)
        for letter, kind, serial in drives:
            box.add_drive(letter, machine.drive_folder(letter), kind, serial)
        if windows_98:
            box.set_windows_98()
        if registry:
            box.import_reg(registry)
        box.kill()  # drive types are read when the server starts
        box.start_server()
        os.makedirs(box.unix_path("C:\\zeltest"), exist_ok=True)
        with open(box.unix_path(SANDBOX_MARKER), "w") as f:
            f.write("Zel32 test sandbox\n")
        for program in ("zeldrv.exe", "msgbox_probe.exe"):
            shutil.copy2(os.path.join(TEST_BIN, program), box.unix_path("C:\\zeltest\\" + program))
        machine.wait_for_drives(drives)
        return machine

    def wait_for_drives(self, drives, seconds=90):
        """Waits until every added drive has its type and volume serial: until Wine's mount manager
        answers, every drive is a hard disk of a made-up serial, and a program started at once on a
        busy machine saw a CD-ROM drive as an empty hard disk and stopped at it."""
        want = {letter: (sandbox.DRIVE_TYPES[kind], serial if kind == "hd" else None)
                for letter, kind, serial in drives}
        deadline = time.time() + seconds
        while want:
            seen = {}
            for letter in want:
                kind, serial = self.drv("drive", letter)[1].split()
                seen[letter] = (int(kind), int(serial, 16))
            if all(seen[l][0] == k and s in (None, seen[l][1]) for l, (k, s) in want.items()):
                return
            if time.time() > deadline:
                raise AssertionError("the drives never got their types: want %s, seen %s" % (want, seen))
            time.sleep(0.5)

    def drive_folder(self, letter):
        return os.path.join(self.box.root, "drives-" + os.path.basename(self.box.prefix), letter.lower())

    def shutdown(self):
        for proc in self.procs:
            if proc.poll() is None:
                proc.kill()
        self.box.kill()
        self.box.verify()

    # --- the program -------------------------------------------------------------

    def install(self, folder=sandbox.PROGRAM_FOLDER, ini=QUIET_INI,
                files=("Zel32.exe", "ZEL32.PIF", "Zel32.INI", "Zel.chm")):
        return self.box.install(BIN, folder, ini, files)

    def install_fixture(self, name, folder, rename=None):
        """Copies a file or folder (whose program is NAME.exe) of fixtures/programs or else of
        fixtures into FOLDER, as RENAME if given; returns the Windows path of the copy's program."""
        source = os.path.join(FIXTURE_PROGRAMS, name)
        if not os.path.exists(source):
            source = os.path.join(FIXTURES, name)
        if not os.path.exists(source):
            raise FileNotFoundError("no fixture %s in %s (build the zel_fixture_programs target)" % (name, FIXTURES))
        copy = folder.rstrip("\\") + "\\" + (rename or name)
        os.makedirs(self.path(folder), exist_ok=True)
        if os.path.isdir(source):
            shutil.copytree(source, self.path(copy))
            return copy + "\\" + name + ".exe"
        shutil.copy2(source, self.path(copy))
        return copy

    def start_zel(self, exe=sandbox.PROGRAM_FOLDER + "\\Zel32.exe", extra_env=None):
        proc = self.box.start([exe], extra_env)
        self.procs.append(proc)
        return Zel(self, proc)

    def show_box(self, mode, *args):
        """msgbox_probe.exe showing a box; the process ends with the box's answer as its exit code."""
        proc = self.box.start(["C:\\zeltest\\msgbox_probe.exe", mode] + [str(a) for a in args])
        self.procs.append(proc)
        return proc

    # --- looking at the disk ---------------------------------------------------

    def path(self, win_path):
        return self.box.unix_path(win_path)

    def exists(self, win_path):
        return os.path.lexists(self.path(win_path))

    def read_bytes(self, win_path):
        with open(self.path(win_path), "rb") as f:
            return f.read()

    def write(self, win_path, content, when=None):
        """Writes a file (text as UTF-8) from Linux, its folders made; WHEN sets its times."""
        path = self.path(win_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(content.encode() if isinstance(content, str) else content)
        if when is not None:
            os.utime(path, (when, when))

    def read_ini(self, section, key, win_path=sandbox.PROGRAM_FOLDER + "\\WinXP\\Zel32.INI"):
        parser = configparser.ConfigParser(interpolation=None, strict=False)
        parser.optionxform = str
        parser.read_string(self.read_bytes(win_path).decode("cp932"))
        return parser.get(section, key, fallback=None)

    # --- the driver --------------------------------------------------------------

    # The driver's exit codes for a window that is not (yet) there and for one
    # that is there but did not answer in time.
    NO_WINDOW, UNANSWERED = 2, 4

    def drv(self, *args, check=True, timeout=60, patience=30):
        """Runs one driver command. With check, a command that must succeed is
        asked again for up to PATIENCE seconds while its window is missing or
        busy (a loaded machine), then fails with the driver's own reason."""
        deadline = time.time() + patience
        while True:
            proc = self.box.run(["C:\\zeltest\\zeldrv.exe"] + [str(a) for a in args], check=False, timeout=timeout)
            out = proc.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
            if not check or proc.returncode == 0:
                return proc.returncode, out
            if proc.returncode not in (self.NO_WINDOW, self.UNANSWERED) or time.time() >= deadline:
                why = proc.stderr.decode("utf-8", errors="replace").replace("\r\n", "\n")
                raise DriverError("zeldrv %s: exit %d\n%s%s" % (" ".join(map(str, args)), proc.returncode, out, why))
            time.sleep(0.5)

    def windows(self):
        return self.drv("windows")[1].splitlines()

    def items(self, control, window=MAIN_TITLE):
        """The lines of a list box or combo box."""
        return self.drv("items", window, control)[1].split("\n")[:-1]

    def text(self, control, window=MAIN_TITLE):
        return self.drv("text", window, control)[1].rstrip("\n")

    def state(self, question, control, window=MAIN_TITLE):
        """Whether a control is "enabled", "visible" or (a lamp) "lit"."""
        return self.drv(question, window, control)[1].strip() == "1"

    def message_box(self, timeout_ms=30000):
        """The message box of the moment: its title, texts and buttons."""
        code, out = self.drv("msgbox", timeout_ms, check=False, timeout=timeout_ms / 1000 + 30)
        if code != 0:
            return None
        box = {"title": "", "text": [], "buttons": []}
        for line in out.split("\n"):
            kind, _, value = line.partition("\t")
            if kind == "title":
                box["title"] = value
            elif kind == "text":
                box["text"].append(value.replace("\u2029", "\n"))
            elif kind == "button":
                box["buttons"].append(value)
        box["all_text"] = "\n".join(box["text"])
        return box

    def screenshot(self, name):
        """Saves the virtual display as a PNG in the test artifacts; returns its path."""
        os.makedirs(ARTIFACTS, exist_ok=True)
        path = os.path.join(ARTIFACTS, name + ".png")
        subprocess.run(["import", "-display", self.box.display, "-window", "root", path], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path


class Zel:
    """One started Zel32.exe, seen the way a person sees it."""

    def __init__(self, machine, proc):
        self.machine = machine
        self.proc = proc

    def ended(self, timeout=20):
        """Waits for the program to end; True when it did."""
        try:
            self.proc.wait(timeout)
            return True
        except subprocess.TimeoutExpired:
            return False

    def wait_window(self, timeout_ms=30000):
        self.machine.drv("find", MAIN_TITLE, timeout_ms, timeout=timeout_ms / 1000 + 30)

    def answer(self, caption, about=None, timeout_ms=30000):
        """Answers the message box of the moment; about: a text it must show."""
        box = self.machine.message_box(timeout_ms)
        if box is None:
            raise DriverError("no message box appeared")
        if about is not None and about not in box["all_text"]:
            raise DriverError("the message box says %r, not %r" % (box["all_text"], about))
        self.machine.drv("answer", caption)
        return box

    def status(self):
        return self.machine.drv("text", MAIN_TITLE, "RUNDSP")[1].rstrip("\n")

    def wait_status(self, text, timeout=60):
        deadline = time.time() + timeout
        while True:
            seen = self.status()
            if seen == text:
                return
            if time.time() >= deadline:
                raise DriverError("after %d s the status line reads %r, not %r" % (timeout, seen, text))
            time.sleep(0.3)

    def wait_ready(self, timeout=120):
        """The window is up and the snapshot preparation has finished."""
        self.wait_window()
        self.wait_status("ファイルを選択して下さい", timeout)

    def console(self):
        return self.machine.items("CONSOL")

    def go_to(self, folder, showing=None):
        """Opens FOLDER (C:\\a\\b) from drive C: through the folder list; with
        SHOWING, F4 lists every file and the list must show that one."""
        m = self.machine
        m.drv("chord", MAIN_TITLE, "CTRL+C")
        wait_for("on drive C:", lambda: m.text("DIRDSP") == "C:\\")
        for name in folder.split("\\")[1:]:
            self.open_folder(name)
        if showing:
            m.drv("key", MAIN_TITLE, "F4")
            time.sleep(0.3)  # the key is posted: the list may still be the filtered one
            wait_for("%s in the file list" % showing, lambda: showing in m.items("FILLST"))

    def open_folder(self, name):
        """Opens NAME in the folder list."""
        m = self.machine
        m.drv("activate", MAIN_TITLE, "DIRGRD", m.items("DIRGRD").index(name))
        wait_for("in folder " + name, lambda: m.text("DIRDSP").endswith("\\" + name))

    def select_file(self, name):
        """Selects NAME in the file list and waits for its lines in the console."""
        m = self.machine
        m.drv("select", MAIN_TITLE, "FILLST", m.items("FILLST").index(name))
        wait_for("the lines of %s in the console" % name,
                 lambda: any(line.startswith("【" + name) for line in self.console()))

    def close(self):
        self.machine.drv("close", MAIN_TITLE)
        if not self.ended(30):
            raise DriverError("the program did not end after its window was closed")
        # The next start must not find this window on its way out.
        self.machine.drv("gone", MAIN_TITLE, 10000)

    def start_file(self, name):
        """Selects NAME in the file list and presses テスト."""
        self.select_file(name)
        self.machine.drv("click", MAIN_TITLE, "テスト")

    def open_system_form(self, folder, look=lambda title: None):
        """設定, then the system save button; the chooser refuses a drive root and
        comes back, then takes FOLDER. LOOK is called with each window's title."""
        m = self.machine

        def show(title):
            m.drv("find", title, 20000)
            look(title)
        m.drv("click", MAIN_TITLE, "設定")
        show(OPTIONS)
        m.drv("click", OPTIONS, "システム保存 画面")
        show(CHOOSER)
        m.drv("settext", CHOOSER, "DIRLIN", "C:\\")
        m.drv("click", CHOOSER, "OK")
        show(MESSAGE_BOX)
        self.answer("OK", about="フォルダー名を指定してください")
        m.drv("find", CHOOSER, 20000)
        m.drv("settext", CHOOSER, "DIRLIN", folder)
        m.drv("click", CHOOSER, "OK")
        show(SYSTEM_FORM)


class _ClassScope:
    """Lets Machine.fresh register its shutdown as a class cleanup."""

    def __init__(self, cls):
        self.addCleanup = cls.addClassCleanup


class E2ETest(unittest.TestCase):
    maxDiff = None

    @classmethod
    def class_machine(cls, name, **kwargs):
        """A fresh machine shared by the tests of the class, shut down after the last."""
        return Machine.fresh(_ClassScope(cls), name, **kwargs)

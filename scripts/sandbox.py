#!/usr/bin/env python3
"""The sandboxed Windows machine: Wine prefixes that cannot reach the host.

The wash deletes files. Under a default Wine prefix drive Z: is the whole
Linux file system and the user folders are links into the Linux home, so every
run of Zel32.exe happens in a prefix made here, which

- lives inside the build tree, copied from a template built once;
- has no drive but C: (and drives a test adds, pointing into the build tree);
- has real folders where Wine made links into the home folder, and no other
  link under drive_c that leads out of the build tree;
- runs with HOME inside the build tree, no XDG_* variables, the menu builder
  disabled, LANG=ja_JP.UTF-8 (code page 932), WINEDEBUG=-all and a virtual
  display;
- maps "MS UI Gothic" and "ＭＳ Ｐゴシック" to a Japanese font;
- ends with "wineserver -k".

Used by the tests (import) and by the scripts (command line):

  sandbox.py template BUILD_ROOT           build the template prefix once
  sandbox.py new BUILD_ROOT NAME           a fresh prefix copied from it
  sandbox.py verify BUILD_ROOT NAME        check that nothing leads out
  sandbox.py install BUILD_ROOT NAME BIN   place Zel32.exe and its files in C:\\Zel32
  sandbox.py run BUILD_ROOT NAME WINPATH [ARGS...]
  sandbox.py kill BUILD_ROOT NAME
  sandbox.py kill-all BUILD_ROOT          end the wineservers of every prefix
"""
import fcntl
import re
import stat
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TEMPLATE_VERSION = "3"
USER_FOLDERS = ("Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos", "Templates")
DRIVE_TYPES = {"hd": 3, "cdrom": 5, "floppy": 2, "network": 4}
PROGRAM_FOLDER = "C:\\Zel32"


class SandboxError(Exception):
    pass


def _inside(path, root):
    path = os.path.realpath(path)
    root = os.path.realpath(root)
    return path == root or path.startswith(root + os.sep)


def _is_port_device(name, path):
    """A serial or parallel port link of Wine's mount manager (com1, lpt1...)."""
    if not re.fullmatch(r"(com|lpt)\d+", name):
        return False
    try:
        return stat.S_ISCHR(os.stat(path).st_mode)
    except OSError:
        return True  # a dangling link to a device that is not there reaches nothing


def base_env(prefix, home, display=None):
    """The environment every Wine process of a sandbox runs with."""
    env = {k: v for k, v in os.environ.items() if not k.startswith("XDG_")}
    for k in ("DISPLAY", "WAYLAND_DISPLAY", "WINEPREFIX", "WINESERVER", "WINELOADER", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(k, None)
    env.update({
        "WINEPREFIX": prefix,
        "HOME": home,
        "LANG": "ja_JP.UTF-8",
        "LC_ALL": "ja_JP.UTF-8",
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        "WINEARCH": "win64",
    })
    if display:
        env["DISPLAY"] = display
    return env


class Display:
    """A virtual X display (Xvfb) for anything with a window."""

    def __init__(self, number=None, size="1280x1024"):
        self.proc = None
        self.number = number
        self.size = size

    def start(self):
        for n in range(90, 200) if self.number is None else [self.number]:
            if os.path.exists("/tmp/.X%d-lock" % n) or os.path.exists("/tmp/.X11-unix/X%d" % n):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", self.size + "x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(50):
                if os.path.exists("/tmp/.X11-unix/X%d" % n):
                    self.proc, self.number = proc, n
                    return ":%d" % n
                if proc.poll() is not None:
                    break
                time.sleep(0.1)
            proc.kill()
        raise SandboxError("no virtual display could be started")

    @property
    def name(self):
        return ":%d" % self.number

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc = None


class Sandbox:
    """One sandboxed prefix below BUILD_ROOT/sandbox/NAME."""

    def __init__(self, build_root, name, display=None):
        self.build_root = os.path.realpath(build_root)
        self.root = os.path.join(self.build_root, "sandbox")
        self.prefix = os.path.join(self.root, name)
        self.home = os.path.join(self.root, "home-" + name)
        self.display = display

    # --- making prefixes -----------------------------------------------------

    @classmethod
    def template(cls, build_root):
        """The template prefix, built once per build tree (safe under parallel tests)."""
        root = os.path.join(os.path.realpath(build_root), "sandbox")
        os.makedirs(root, exist_ok=True)
        template = os.path.join(root, "template")
        stamp = os.path.join(template, ".zel-template")
        with open(os.path.join(root, ".template.lock"), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if os.path.exists(stamp):
                with open(stamp) as f:
                    if f.read().strip() == TEMPLATE_VERSION:
                        return template
            shutil.rmtree(template, ignore_errors=True)
            work = tempfile.mkdtemp(prefix="template-", dir=root)
            box = cls(build_root, os.path.basename(work))
            box.prefix = work
            box._boot()
            box._seal()
            box._import_reg(FONT_AND_DEBUGGER_REG)
            box.kill()
            box._seal()
            box.verify()
            with open(os.path.join(work, ".zel-template"), "w") as f:
                f.write(TEMPLATE_VERSION)
            os.rename(work, template)
            shutil.rmtree(box.home, ignore_errors=True)
        return template

    @classmethod
    def fresh(cls, build_root, name, display=None):
        """A new prefix copied from the template (any old one of that name is removed)."""
        template = cls.template(build_root)
        box = cls(build_root, name, display)
        box.kill()
        shutil.rmtree(box.prefix, ignore_errors=True)
        shutil.rmtree(box.home, ignore_errors=True)
        subprocess.run(["cp", "-a", template, box.prefix], check=True)
        os.makedirs(box.home, exist_ok=True)
        box.verify()
        return box

    @classmethod
    def shared(cls, build_root, name, display=None):
        """A prefix shared by many short runs: made once, then reused as it is,
        with one wineserver kept running for it."""
        cls.template(build_root)
        box = cls(build_root, name, display)
        with open(os.path.join(box.root, ".%s.lock" % name), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not os.path.isdir(box.prefix):
                box = cls.fresh(build_root, name, display)
            box.start_server()
        box.verify()
        return box

    @classmethod
    def kill_all(cls, build_root):
        """Ends the wineservers of every prefix of the build tree."""
        root = os.path.join(os.path.realpath(build_root), "sandbox")
        if not os.path.isdir(root):
            return
        for name in os.listdir(root):
            if os.path.isdir(os.path.join(root, name, "dosdevices")):
                cls(build_root, name).kill()

    def _boot(self):
        os.makedirs(self.home, exist_ok=True)
        env = self.env()
        env.pop("DISPLAY", None)
        subprocess.run(["wine", "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=False, timeout=300, cwd=self.root)
        subprocess.run(["wineserver", "-w"], env=env, check=False, timeout=300)
        if not os.path.isdir(os.path.join(self.prefix, "drive_c", "windows")):
            raise SandboxError("wineboot did not make a prefix in " + self.prefix)

    def _seal(self):
        """Removes every way out of the build tree from the prefix: every drive but C:,
        dosdevices/z: (the host's /) first among them; a link under drive_c that leads out of
        the build tree becomes a real folder."""
        dosdevices = os.path.join(self.prefix, "dosdevices")
        for entry in os.listdir(dosdevices):
            if entry != "c:":
                os.unlink(os.path.join(dosdevices, entry))
        drive_c = os.path.join(self.prefix, "drive_c")
        for dirpath, dirnames, filenames in os.walk(drive_c):
            for name in dirnames + filenames:
                path = os.path.join(dirpath, name)
                if os.path.islink(path) and not _inside(path, self.build_root):
                    os.unlink(path)
                    os.makedirs(path)
        users = os.path.join(drive_c, "users")
        for user in os.listdir(users):
            for folder in USER_FOLDERS:
                path = os.path.join(users, user, folder)
                if os.path.islink(path):
                    os.unlink(path)
                    os.makedirs(path)

    def verify(self):
        """Fails unless Z: is gone and no path under the prefix resolves outside the build tree.

        The one kind of link allowed out is Wine's own serial and parallel
        ports (dosdevices/com1 -> /dev/ttyS0), which its mount manager makes
        at every start: they lead to character devices, never to a folder or
        file that a listing or a deletion could reach."""
        dosdevices = os.path.join(self.prefix, "dosdevices")
        if os.path.lexists(os.path.join(dosdevices, "z:")):
            raise SandboxError("drive Z: is still present in " + self.prefix)
        bad = []
        for dirpath, dirnames, filenames in os.walk(self.prefix):
            for name in dirnames + filenames:
                path = os.path.join(dirpath, name)
                if not os.path.islink(path) or _inside(path, self.build_root):
                    continue
                if dirpath == dosdevices and _is_port_device(name, path):
                    continue
                bad.append("%s -> %s" % (path, os.path.realpath(path)))
        if bad:
            raise SandboxError("links out of the build tree:\n" + "\n".join(bad))
        if not _inside(self.home, self.build_root):
            raise SandboxError("HOME is outside the build tree")

    # --- running ---------------------------------------------------------------

    def env(self):
        return base_env(self.prefix, self.home, self.display)

    @property
    def drive_c(self):
        # Wine processes start in C:\, never in a Linux folder of the host.
        return os.path.join(self.prefix, "drive_c")

    def start_server(self):
        """Keeps one wineserver running, so that each Wine process starts quickly.

        It is started detached from our output: a server holding a test
        runner's pipe open would keep the runner waiting for good."""
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-p"], env=self.env(), check=False, cwd=self.root, **quiet)
        # The first Wine process starts the machine's services, which stay as
        # long as the server: start them here, with no pipe of ours.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env(), check=False, cwd=self.drive_c, timeout=120,
                       **quiet)

    def kill(self):
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=self.env(), stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=False)
            subprocess.run(["wineserver", "-w"], env=self.env(), check=False, timeout=60)

    def run(self, args, timeout=120, check=True):
        """Runs a Windows program (a C:\\ path) and returns its completed process.

        Its output goes through files, not pipes: a Wine process may start the
        desktop process, which would hold a pipe open long after the program
        ended."""
        self.verify_quick()
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run(["wine"] + list(args), env=self.env(), stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err, timeout=timeout, cwd=self.drive_c)
            out.seek(0)
            err.seek(0)
            result = subprocess.CompletedProcess(proc.args, proc.returncode, out.read(), err.read())
        if check and result.returncode != 0:
            raise SandboxError("%s failed (%d): %s" % (args, result.returncode, result.stderr.decode(errors="replace")))
        return result

    def start(self, args, extra_env=None):
        """Starts a Windows program without waiting for it; extra_env adds
        variables (WINEDLLOVERRIDES...) to its environment."""
        self.verify_quick()
        env = self.env()
        env.update(extra_env or {})
        return subprocess.Popen(["wine"] + list(args), env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL, start_new_session=True, cwd=self.drive_c)

    def verify_quick(self):
        if os.path.lexists(os.path.join(self.prefix, "dosdevices", "z:")):
            raise SandboxError("drive Z: appeared in " + self.prefix)

    # --- shaping the machine -----------------------------------------------------

    def unix_path(self, win_path):
        """The Linux path of a Windows path of this prefix."""
        drive, rest = win_path[0].lower(), win_path[3:] if len(win_path) > 2 else ""
        link = os.path.join(self.prefix, "dosdevices", drive + ":")
        base = os.path.realpath(link)
        if not _inside(base, self.build_root):
            raise SandboxError("drive %s: leads out of the build tree" % drive)
        return os.path.join(base, *[p for p in rest.split("\\") if p])

    def manifest(self, letter="C"):
        """Every file and folder of a drive: Windows path -> (size, last-write time in 100 ns);
        a folder has size -1 and no time, a link ("link", its target)."""
        root = self.unix_path(letter + ":\\")
        found = {}
        for folder, dirs, files in os.walk(root):
            rel = os.path.relpath(folder, root)
            base = letter + ":\\" + ("" if rel == "." else rel.replace("/", "\\") + "\\")
            for name in dirs + files:
                path = os.path.join(folder, name)
                st = os.lstat(path)
                if os.path.islink(path):
                    found[base + name] = ("link", os.readlink(path))
                elif os.path.isdir(path):
                    found[base + name] = (-1, None)
                else:
                    # Windows keeps times in units of 100 ns; finer digits
                    # of the Linux time are not the program's to keep.
                    found[base + name] = (st.st_size, st.st_mtime_ns // 100)
        return found

    def import_reg(self, text):
        """Imports registry text (REGEDIT4 form, UTF-8 here) into the prefix."""
        self._import_reg(text)

    def _import_reg(self, text):
        path = os.path.join(self.prefix, "drive_c", "zel-import.reg")
        with open(path, "w", encoding="utf-16") as f:
            f.write("Windows Registry Editor Version 5.00\r\n\r\n" + text.replace("\n", "\r\n") + "\r\n")
        # No pipe of ours: the services a first Wine process starts would hold it.
        proc = subprocess.run(["wine", "regedit", "/S", "C:\\zel-import.reg"], env=self.env(), timeout=120,
                              cwd=self.drive_c, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
        os.unlink(path)
        if proc.returncode != 0:
            raise SandboxError("registry import failed (%d)" % proc.returncode)

    def add_drive(self, letter, unix_dir, kind="hd", serial=None):
        """A drive letter that points at a folder of the build tree, with a drive type.

        The type is read when the wineserver starts: call this before starting
        anything, or kill the server afterwards."""
        if kind not in DRIVE_TYPES:
            raise SandboxError("unknown drive type " + kind)
        unix_dir = os.path.realpath(unix_dir)
        if not _inside(unix_dir, self.build_root):
            raise SandboxError("a drive must point into the build tree: " + unix_dir)
        os.makedirs(unix_dir, exist_ok=True)
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.unlink(link)
        os.symlink(unix_dir, link)
        if serial is not None:
            with open(os.path.join(unix_dir, ".windows-serial"), "w") as f:
                f.write("%x\n" % serial)
        self._import_reg('[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\n"%s:"="%s"\n' % (letter.lower(), kind))

    def set_windows_98(self, version="4.10.2222"):
        """Makes the machine look like Windows 98 to the program (its registry version text)."""
        self._import_reg('[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\n'
                         '"VersionNumber"="%s"\n' % version)

    def install(self, bin_dir, folder=PROGRAM_FOLDER, ini_text=None,
                files=("Zel32.exe", "ZEL32.PIF", "Zel32.INI", "Zel.chm")):
        """Places Zel32.exe and the files shipped beside it in a program folder of the prefix."""
        target = self.unix_path(folder)
        os.makedirs(target, exist_ok=True)
        for name in files:
            shutil.copy2(os.path.join(bin_dir, name), os.path.join(target, name))
        if ini_text is not None:
            with open(os.path.join(target, "Zel32.INI"), "wb") as f:
                f.write(ini_text.replace("\r\n", "\n").replace("\n", "\r\n").encode("cp932"))
        return folder + "\\Zel32.exe"


FONT_AND_DEBUGGER_REG = r'''[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]
"MS UI Gothic"="IPAPGothic"
"ＭＳ Ｐゴシック"="IPAPGothic"
"ＭＳ ゴシック"="IPAGothic"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""
'''


def manifest_diff(before, after, allowed=()):
    """What differs between two manifests, by name case-blind as Windows sees
    them: (added, removed, changed, allowed) lists of paths; a path below or
    equal to one of allowed (case-blind prefixes) goes to the last list."""
    b = {k.upper(): (k, v) for k, v in before.items()}
    a = {k.upper(): (k, v) for k, v in after.items()}
    prefixes = [p.upper().rstrip("\\") for p in allowed]

    def is_allowed(key):
        return any(key == p or key.startswith(p + "\\") for p in prefixes)

    added, removed, changed, kept = [], [], [], []
    for key in sorted(set(a) | set(b)):
        if key in a and key in b and a[key][1] == b[key][1]:
            continue
        path = (a.get(key) or b.get(key))[0]
        if is_allowed(key):
            kept.append(path)
        elif key not in b:
            added.append(path)
        elif key not in a:
            removed.append(path)
        else:
            changed.append(path)
    return added, removed, changed, kept


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    command, build_root = argv[1], argv[2]
    if command == "template":
        print(Sandbox.template(build_root))
        return 0
    name = argv[3] if len(argv) > 3 else "run"
    if command == "new":
        print(Sandbox.fresh(build_root, name).prefix)
    elif command == "verify":
        Sandbox(build_root, name).verify()
        print("sandbox %s: no Z:, nothing leads out of %s" % (name, os.path.realpath(build_root)))
    elif command == "install":
        print(Sandbox(build_root, name).install(argv[4]))
    elif command == "run":
        box = Sandbox(build_root, name, os.environ.get("ZEL_DISPLAY"))
        proc = subprocess.run(["wine"] + argv[4:], env=box.env(), cwd=box.drive_c)
        return proc.returncode
    elif command == "kill":
        Sandbox(build_root, name).kill()
    elif command == "kill-all":
        Sandbox.kill_all(build_root)
    else:
        print(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))

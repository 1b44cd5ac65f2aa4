"""End-to-end harness: the real sorvik.exe under Wine, and sorvik-replay on a machine profile.

Everything a scenario needs is here; see README.md in this folder for how to write one.

Environment (the defaults suit a checkout built with the presets):
  SORVIK_E2E_ARCH   win32 or win64: the kind of Wine prefix and the build it runs. Unset: win32
                    where the machine can run Wine's 32-bit loader, else win64 (kernels with
                    32-bit emulation switched off)
  SORVIK_EXE        build/ARCH/sorvik.exe
  SORVIK_REGVOL     build/ARCH/sorvik-regvol.exe
  SORVIK_REPLAY     build/native/sorvik-replay (set by CTest)
  SORVIK_E2E_CACHE  where the Wine prefix template is kept (build/e2e-cache)
  SORVIK_SKIP_WINE  1: skip every test that needs Wine or sorvik.exe instead of failing
  SORVIK_E2E_KEEP   1: keep each scenario's folder (prefix, logs) for inspection
"""

import contextlib
import fcntl
import functools
import hashlib
import os
import shlex
import shutil
import subprocess
import tempfile
import time
import unittest

import report

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FIXTURES_DIR = os.path.join(SOURCE_DIR, "tests", "fixtures")

# Time limits in seconds. Wine calls usually take 0.1 to 1 s; the limits only catch hangs.
TEMPLATE_TIMEOUT = 240
WINE_TIMEOUT = 60
SHUTDOWN_TIMEOUT = 30
# A scenario's wineserver outlives the gaps between our calls by this much, and no more, so
# that a test killed from outside leaves no server behind for long.
SESSION_LINGER = 300


def _path_from_env(name, default):
    return os.path.abspath(os.environ.get(name) or os.path.join(SOURCE_DIR, default))


# Debian's Wine loaders; a prefix of each kind runs only programs of its own width here.
LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}
# What GetNativeSystemInfo reports in each kind of prefix (PROCESSOR_ARCHITECTURE_*).
NATIVE_ARCHITECTURE = {"win32": 0, "win64": 9}


def _probe(loader):
    """None when the loader runs on this machine, else why not."""
    try:
        result = subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=WINE_TIMEOUT)
    except (OSError, subprocess.SubprocessError) as error:
        return "%s can't run here: %s" % (loader, error)
    if result.returncode != 0:
        return "%s --version exited %d: %s" % (loader, result.returncode,
                                               _tail(result.stderr, 400).strip())
    return None


@functools.lru_cache(maxsize=None)
def runner():
    """(arch, None) for the kind of prefix the tests use, or (arch, why it can't run).

    A forced kind that the machine can't run is an error, never a reason to skip.
    """
    forced = os.environ.get("SORVIK_E2E_ARCH", "")
    if forced:
        if forced not in LOADERS:
            return forced, "SORVIK_E2E_ARCH=%s: use win32 or win64" % forced
        problem = _probe(LOADERS[forced])
        if problem and forced == "win32":
            problem += (" (SORVIK_E2E_ARCH=win32 forces the 32-bit loader; this kernel may "
                        "have 32-bit emulation switched off: leave SORVIK_E2E_ARCH unset or "
                        "use win64)")
        return forced, problem
    if _probe(LOADERS["win32"]) is None:
        return "win32", None
    return "win64", _probe(LOADERS["win64"])


def arch():
    return runner()[0]


def loader():
    return LOADERS[arch()]


def native_architecture():
    return NATIVE_ARCHITECTURE[arch()]


def profile_processor_lines():
    """The [processor] lines of a profile that replays the runner's machine and program: a
    64-bit prefix reports AMD64 and runs the x86_64 build, which sees the 64-bit registry."""
    lines = ["[processor]",
             "architecture = %d" % native_architecture(),
             "nativeArchitecture = %d" % native_architecture()]
    if arch() == "win64":
        lines.append("program64Bit = yes")
    return lines


def sorvik_exe():
    return _path_from_env("SORVIK_EXE", "build/%s/sorvik.exe" % arch())


def product_exe():
    """The shipped program, whatever the runner: the i686 build."""
    return os.path.join(SOURCE_DIR, "build", "win32", "sorvik.exe")


def exes_for_64_bit_prefix():
    """[(label, host path)] of the programs that a 64-bit prefix runs: the runner's x86_64
    build, and the shipped i686 build as 64-bit Windows runs it (WoW64) where the machine runs
    Wine's 32-bit loader too."""
    exes = [("x86_64", sorvik_exe())]
    if _probe(LOADERS["win32"]) is None:
        exes.insert(0, ("i686 in WoW64", product_exe()))
    return exes


def regvol_exe():
    return _path_from_env("SORVIK_REGVOL", "build/%s/sorvik-regvol.exe" % arch())


def replay_exe():
    return _path_from_env("SORVIK_REPLAY", "build/native/sorvik-replay")


def cache_dir():
    return _path_from_env("SORVIK_E2E_CACHE", "build/e2e-cache")


def skip_wine():
    return os.environ.get("SORVIK_SKIP_WINE") == "1"


def keep_folders():
    return os.environ.get("SORVIK_E2E_KEEP") == "1"


def require_file(testcase, path, what):
    """Fails (or skips under SORVIK_SKIP_WINE=1) when a built artifact is missing."""
    if os.path.isfile(path):
        return
    message = "%s not found at %s" % (what, path)
    if skip_wine():
        raise unittest.SkipTest(message + " (SORVIK_SKIP_WINE=1)")
    testcase.fail(message + ": build it first (cmake --preset %s && cmake --build "
                  "--preset %s), or set SORVIK_SKIP_WINE=1 to skip the Wine tests"
                  % (arch(), arch()))


def require_wine(testcase):
    """Everything a Wine scenario needs: fails clearly when the chosen runner can't run, skips
    under SORVIK_SKIP_WINE=1, else fails clearly on what is missing."""
    kind, problem = runner()
    if problem and os.environ.get("SORVIK_E2E_ARCH"):
        testcase.fail(problem)
    if skip_wine():
        raise unittest.SkipTest("SORVIK_SKIP_WINE=1")
    if problem:
        testcase.fail("no Wine loader runs here (%s): run scripts/install-deps.sh" % problem)
    if shutil.which("wineserver") is None:
        testcase.fail("wineserver is not on PATH: run scripts/install-deps.sh")
    require_file(testcase, sorvik_exe(), "sorvik.exe")
    require_file(testcase, regvol_exe(), "sorvik-regvol.exe")


def require_replay(testcase):
    if not os.path.isfile(replay_exe()):
        testcase.fail("sorvik-replay not found at %s: build the native target sorvik-replay"
                      % replay_exe())


def _read(path):
    with open(path, "rb") as source:
        return source.read()


def _tail(data, limit=4000):
    text = data.decode("utf-8", "replace") if isinstance(data, bytes) else data
    return text if len(text) <= limit else "...\n" + text[-limit:]


class CommandError(AssertionError):
    pass


def _run(argv, env, timeout, cwd=None, log=None):
    """Runs one command with a time limit; returns the CompletedProcess and logs it.

    Output goes to files, not pipes: Wine's daemons (wineserver, services) inherit the
    descriptors and would hold a pipe open long after the command itself has ended.
    """
    started = time.monotonic()
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            code = subprocess.run(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err, timeout=timeout).returncode
            timed_out = False
        except subprocess.TimeoutExpired:
            code, timed_out = None, True
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(argv, code, out.read(), err.read())
    if timed_out:
        if log is not None:
            log.append("$ %s\n  TIMED OUT after %ss\n  stderr: %s"
                       % (shlex.join(argv), timeout, _tail(result.stderr)))
        raise CommandError("timed out after %ss: %s\nstderr:\n%s"
                           % (timeout, shlex.join(argv), _tail(result.stderr)))
    if log is not None:
        entry = "$ %s\n  exit %d in %.2fs" % (shlex.join(argv), result.returncode,
                                              time.monotonic() - started)
        if result.stdout:
            entry += "\n  stdout: " + _tail(result.stdout, 2000)
        if result.stderr:
            entry += "\n  stderr: " + _tail(result.stderr, 2000)
        log.append(entry)
    return result


def _base_env(home):
    env = {key: value for key, value in os.environ.items()
           if not key.startswith("WINE") and key != "DISPLAY" and key != "WAYLAND_DISPLAY"}
    env.update({
        "HOME": home,
        "WINEARCH": arch(),
        "WINELOADER": loader(),
        "WINEDEBUG": "-all",
        "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
        "XDG_CONFIG_HOME": os.path.join(home, ".config"),
        "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
        "LC_ALL": "C.UTF-8",
    })
    return env


# ---------------------------------------------------------------------------------------------
# The prefix template: made once per build tree and Wine version, copied by every scenario.

@functools.lru_cache(maxsize=None)
def _wine_identity():
    version = subprocess.run([loader(), "--version"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=WINE_TIMEOUT).stdout
    return arch() + "-" + hashlib.sha256(version).hexdigest()[:12]


def template_prefix():
    """Returns the path of a booted prefix template of the runner's kind, made on first use.

    Safe when several test processes start at once: they take a lock, the first makes it.
    """
    root = cache_dir()
    os.makedirs(root, exist_ok=True)
    template = os.path.join(root, "prefix-" + _wine_identity())
    ready = os.path.join(template, ".sorvik-ready")
    if os.path.exists(ready):
        return template
    with open(os.path.join(root, ".lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(ready):
            return template
        shutil.rmtree(template, ignore_errors=True)
        work = tempfile.mkdtemp(prefix="making-", dir=root)
        try:
            prefix = os.path.join(work, "prefix")
            home = os.path.join(work, "home")
            os.makedirs(home)
            env = _base_env(home)
            env["WINEPREFIX"] = prefix
            log = []
            try:
                result = _run([loader(), "wineboot", "-i"], env, TEMPLATE_TIMEOUT, log=log)
                if result.returncode != 0:
                    raise CommandError("wineboot -i failed:\n" + "\n".join(log))
                # The registry reaches the prefix's files only when the server ends.
                _run(["wineserver", "-w"], env, TEMPLATE_TIMEOUT, log=log)
            finally:
                _run(["wineserver", "-k"], env, SHUTDOWN_TIMEOUT)
            _detach_from_home(prefix)
            open(os.path.join(prefix, ".sorvik-ready"), "w").close()
            os.rename(prefix, template)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return template


def _detach_from_home(prefix):
    """Turns the user's shell folders (links into the throwaway HOME) into plain folders."""
    for folder, dirs, files in os.walk(os.path.join(prefix, "drive_c", "users")):
        for name in dirs + files:
            path = os.path.join(folder, name)
            if os.path.islink(path) and os.path.isabs(os.readlink(path)):
                os.unlink(path)
                os.makedirs(path)


# ---------------------------------------------------------------------------------------------
# A fake xdg-open: winebrowser hands URLs to it; it records each call as one line.

_XDG_OPEN = """#!/bin/sh
# Records one call per line, the arguments separated by the unit separator (hex 1F).
{ for argument in "$@"; do printf '%%s\\037' "$argument"; done; printf '\\n'; } >> '%s'
exit 0
"""


def _parse_shell_log(path):
    if not os.path.exists(path):
        return []
    with open(path, "rb") as log:
        return [line.decode("utf-8", "replace").split("\x1f")[:-1]
                for line in log.read().split(b"\n") if line]


# ---------------------------------------------------------------------------------------------
# Command lines through cmd.exe: a .bat file is the one way to hand a GUI program an exact line.

def batch_escape(command_line):
    """Escapes a command line so that cmd.exe, reading it from a .bat file, passes it unchanged.

    "%" is doubled everywhere; outside double quotes ^ & | < > get a caret. Leading blanks
    cannot reach the program (the runtime drops them before WinMain on Windows too).
    """
    if "\r" in command_line or "\n" in command_line or "\0" in command_line:
        raise ValueError("a command line holds no CR, LF or NUL: %r" % command_line)
    out = []
    quoted = False
    for char in command_line:
        if char == '"':
            quoted = not quoted
        elif char == "%":
            out.append("%")
        elif not quoted and char in "^&|<>":
            out.append("^")
        out.append(char)
    return "".join(out)


class RunResult:
    """What one run of sorvik.exe left: exit status, the output of wine and cmd."""

    def __init__(self, command_line, completed):
        self.command_line = command_line
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr

    def describe(self):
        return "command line %r: exit %d\nstdout: %s\nstderr: %s" % (
            self.command_line, self.returncode, _tail(self.stdout), _tail(self.stderr))


class CDriveFiles:
    """Reading the files of a C: drive by Windows path; `host_path` maps the path."""

    def read_file(self, windows_path):
        """The bytes of a file, or None when it does not exist."""
        path = self.host_path(windows_path)
        if not os.path.isfile(path):
            return None
        with open(path, "rb") as source:
            return source.read()

    def list_dir(self, windows_path):
        path = self.host_path(windows_path)
        return sorted(os.listdir(path)) if os.path.isdir(path) else []


class WineMachine(CDriveFiles):
    """One scenario's Windows machine: a fresh copy of the template prefix with its own
    wineserver session, kept alive until close() so that volatile keys survive between calls.

        with WineMachine(version="winxp") as wine:
            wine.import_reg(path)
            result = wine.run_sorvik('/out:"C:\\out\\r.xml"')
            data = wine.read_file("C:\\out\\r.xml")

    code_page: the ANSI code page of the machine (1252, or another through a locale of LOCALES);
    .reg files are then read and checked in it.
    """

    EXE_FOLDER = "C:\\sorvik"  # the simulator's default module folder as well
    # Wine takes the ANSI code page from the Unix locale, installed or not.
    LOCALES = {1252: "C.UTF-8", 1251: "ru_RU.UTF-8", 1250: "cs_CZ.UTF-8", 1253: "el_GR.UTF-8",
               1254: "tr_TR.UTF-8", 1255: "he_IL.UTF-8", 1256: "ar_SA.UTF-8", 1257: "lt_LT.UTF-8",
               1258: "vi_VN.UTF-8", 874: "th_TH.UTF-8", 932: "ja_JP.UTF-8", 936: "zh_CN.UTF-8",
               949: "ko_KR.UTF-8", 950: "zh_TW.UTF-8"}

    def __init__(self, version="winxp", code_page=1252):
        self.version = version
        self.code_page = code_page
        self.encoding = "cp%d" % code_page
        self.log = []
        self.root = None
        self.prefix = None
        self.env = None
        self._server_started = False

    # -- lifecycle ------------------------------------------------------------------------

    def __enter__(self):
        self.open()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def open(self):
        try:
            return self._open()
        except BaseException:
            self.close()
            raise

    def _open(self):
        started = time.monotonic()
        template = template_prefix()
        self.root = tempfile.mkdtemp(prefix="sorvik-e2e-")
        self.prefix = os.path.join(self.root, "prefix")
        home = os.path.join(self.root, "home")
        bin_dir = os.path.join(self.root, "bin")
        os.makedirs(home)
        os.makedirs(bin_dir)
        copy = _run(["cp", "-a", template, self.prefix], None, WINE_TIMEOUT, log=self.log)
        if copy.returncode != 0:
            raise CommandError("copying the prefix template failed:\n" + "\n".join(self.log))
        os.unlink(os.path.join(self.prefix, ".sorvik-ready"))
        self.shell_log = os.path.join(self.root, "xdg-open.log")
        fake = os.path.join(bin_dir, "xdg-open")
        with open(fake, "w") as script:
            script.write(_XDG_OPEN % self.shell_log)
        os.chmod(fake, 0o755)
        self.env = _base_env(home)
        self.env["LC_ALL"] = self.LOCALES[self.code_page]
        self.env["WINEPREFIX"] = self.prefix
        self.env["PATH"] = bin_dir + os.pathsep + self.env.get("PATH", "/usr/bin:/bin")
        # A lingering server keeps the session (and its volatile keys) between our calls.
        self._server(["-p%d" % SESSION_LINGER])
        self._server_started = True
        self.log.append("prefix copied and server started in %.2fs"
                        % (time.monotonic() - started))
        if self.version:
            self.set_windows_version(self.version)
        return self

    def close(self):
        if self.root is None:
            return
        try:
            if self._server_started:
                self._server(["-k"], check=False)
                self._server_started = False
        finally:
            if keep_folders():
                print("kept scenario folder: %s" % self.root)
            else:
                shutil.rmtree(self.root, ignore_errors=True)
            self.root = None

    def _server(self, arguments, check=True):
        result = _run(["wineserver"] + arguments, self.env, SHUTDOWN_TIMEOUT, log=self.log)
        if check and result.returncode != 0:
            raise CommandError("wineserver %s failed\n%s" % (" ".join(arguments),
                                                             self.describe()))
        return result

    def describe(self):
        """Every command of this scenario with its output, for failure messages."""
        return "Wine scenario log (%s):\n%s" % (self.root, "\n".join(self.log))

    # -- running things ---------------------------------------------------------------------

    def wine(self, *arguments, timeout=WINE_TIMEOUT, check=True):
        """Runs `wine ARGUMENTS...`; with check, a non-zero exit fails with the log."""
        result = _run([loader()] + list(arguments), self.env, timeout, log=self.log)
        if check and result.returncode != 0:
            raise CommandError("wine %s exited %d\n%s"
                               % (shlex.join(arguments), result.returncode, self.describe()))
        return result

    def host_path(self, windows_path):
        """The host path of a C:\\ path in this prefix."""
        return _c_drive_path(os.path.join(self.prefix, "drive_c"), windows_path)

    def make_dir(self, windows_path):
        os.makedirs(self.host_path(windows_path), exist_ok=True)

    def put_file(self, windows_path, data):
        path = self.host_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode("latin-1"))

    def snapshot(self):
        """The files on C: as Windows paths, leaving out C:\\windows (Wine's own) and C:\\e2e
        (the harness's). Compare two snapshots to see what a run wrote."""
        drive_c = os.path.join(self.prefix, "drive_c")
        found = set()
        for folder, dirs, files in os.walk(drive_c):
            relative = os.path.relpath(folder, drive_c)
            if relative == ".":
                dirs[:] = [name for name in dirs if name.lower() not in ("windows", "e2e")]
                relative = ""
            for name in files:
                found.add("C:\\" + os.path.join(relative, name).replace("/", "\\"))
        return found

    def unmap_drive(self, letter):
        """Removes a drive letter (Z: maps the whole host file system by default)."""
        link = os.path.join(self.prefix, "dosdevices", letter.lower() + ":")
        if os.path.lexists(link):
            os.unlink(link)

    # -- registry ---------------------------------------------------------------------------

    def set_windows_version(self, version):
        """win95 win98 winme nt40 win2k winxp win2003 vista win2008, and win7 win2008r2 win8
        win81 win10 (in 8.0 win7 is a server and win2008r2 a workstation; 8.1 and 10 report
        their version only to a program whose manifest declares them)."""
        self.wine("reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f")
        self.version = version

    def reg_query(self, key, name):
        """The data of a value as `reg query` prints it, or None when it is absent."""
        result = self.wine("reg", "query", key, "/v", name, check=False)
        if result.returncode != 0:
            return None
        # reg prints in the OEM code page (437 under the C locale that the harness sets).
        for line in result.stdout.decode("cp437").splitlines():
            fields = line.strip().split(None, 2)
            if len(fields) >= 2 and fields[0] == name and fields[1].startswith("REG_"):
                return fields[2] if len(fields) == 3 else ""
        return None

    def _stage(self, source, name):
        """Places a .reg file in C:\\e2e; returns its Windows path. `source` is a file path,
        the file's bytes, or REGEDIT4 text (ANSI: each character one byte)."""
        if isinstance(source, bytes):
            data = source
        elif os.path.isfile(source):
            data = _read(source)
        else:
            data = source.encode("latin-1")
        windows_path = "C:\\e2e\\" + name
        self.put_file(windows_path, data)
        return windows_path

    def import_reg(self, source, marker=None):
        """Imports with `regedit /S`, then checks every value of the file is there (regedit
        exits 0 even when an import fails). marker=(key, name, data) also reads one value back
        with `reg query`. Keys under HKEY_LOCAL_MACHINE\\HARDWARE need import_volatile."""
        staged = self._stage(source, "import-%d.reg" % len(self.log))
        self.wine("regedit", "/S", staged)
        data = _read(self.host_path(staged))
        self._check_reg(self._stage(regedit4(data, self.encoding), "check-%d.reg" % len(self.log))
                        if data.startswith(b"\xff\xfe") else staged)
        if marker is not None:
            key, name, expected = marker
            found = self.reg_query(key, name)
            if found != expected:
                raise CommandError("after importing %s, %s\\%s is %r, expected %r\n%s"
                                   % (_label(source), key, name, found, expected,
                                      self.describe()))

    def import_volatile(self, source):
        """Imports a REGEDIT4 file (path, bytes or text) with every created key volatile
        (sorvik-regvol), then checks it like import_reg."""
        staged = self._stage(source, "volatile-%d.reg" % len(self.log))
        self._regvol(staged)
        self._check_reg(staged)

    REGVOL = "C:\\e2e\\sorvik-regvol.exe"

    def install_regvol(self):
        """Copies sorvik-regvol.exe into C:\\e2e (once); returns its Windows path."""
        if not os.path.exists(self.host_path(self.REGVOL)):
            self.put_file(self.REGVOL, _read(regvol_exe()))
        return self.REGVOL

    def _regvol(self, *arguments):
        return self.wine(self.install_regvol(), *arguments)

    def _check_reg(self, staged):
        """sorvik-regvol /check: every key and value of the file is present, byte for byte."""
        self._regvol("/check", staged)

    def load_profile(self, profile_dir):
        """Imports a machine profile's *.reg files in name order: sections under
        HKEY_LOCAL_MACHINE\\HARDWARE volatile, the rest with regedit. machine.ini is not
        applied: Wine's own facts (computer name, drives, memory) stay as they are."""
        for name in sorted(os.listdir(profile_path(profile_dir))):
            if not name.lower().endswith(".reg"):
                continue
            hardware, other = split_hardware_sections(
                _read(os.path.join(profile_path(profile_dir), name)), self.encoding)
            if other is not None:
                self.import_reg(other)
            if hardware is not None:
                self.import_volatile(hardware)

    # -- sorvik.exe -------------------------------------------------------------------------

    def install_sorvik(self, folder=EXE_FOLDER, exe=None):
        """Copies sorvik.exe (the runner's, or the host file `exe`) into a C:\\ folder;
        returns its Windows path."""
        windows_path = folder.rstrip("\\") + "\\sorvik.exe"
        self.put_file(windows_path, _read(exe or sorvik_exe()))
        return windows_path

    def run_sorvik(self, command_line="", folder=EXE_FOLDER, timeout=WINE_TIMEOUT, exe=None):
        """Runs sorvik.exe (the runner's, or the host file `exe`) from a C:\\ folder with
        exactly `command_line` (the text after the program name); returns a RunResult."""
        return self.run_program(self.install_sorvik(folder, exe), command_line, timeout)

    def run_program(self, exe, command_line="", timeout=WINE_TIMEOUT):
        """Runs a program of the prefix (a Windows path) with exactly `command_line` through a
        .bat file and `wine cmd /c`, which waits for GUI programs too; returns a RunResult."""
        if " " in exe:
            raise ValueError("keep the program's path free of blanks: %r" % exe)
        line = exe if not command_line else exe + " " + batch_escape(command_line)
        self.put_file("C:\\e2e\\run.bat", "@echo off\r\n%s\r\n" % line)
        started = time.monotonic()
        completed = self.wine("cmd", "/c", "C:\\e2e\\run.bat", timeout=timeout, check=False)
        self.log.append("%s ran in %.2fs" % (exe, time.monotonic() - started))
        return RunResult(command_line, completed)

    def shell_opens(self):
        """Every xdg-open call so far, each as its list of arguments."""
        return _parse_shell_log(self.shell_log)

    def wait_for_shell_open(self, timeout=20):
        """Waits until xdg-open was called (winebrowser starts after sorvik.exe has ended)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            calls = self.shell_opens()
            if calls:
                return calls
            time.sleep(0.05)
        return []

    def wait_idle(self, timeout=20):
        """Waits until no program of this session runs but Wine's own services, so that a
        check that something did NOT happen (no browser started) is not made too early."""
        deadline = time.monotonic() + timeout
        busy = self._user_processes()
        while busy and time.monotonic() < deadline:
            time.sleep(0.05)
            busy = self._user_processes()
        if not busy:
            return
        raise CommandError("still running after %ss: %s\n%s" % (timeout, busy, self.describe()))

    _SERVICES = ("services.exe", "winedevice.exe", "plugplay.exe", "explorer.exe",
                 "rpcss.exe", "svchost.exe", "wineserver")

    def _user_processes(self):
        marker = ("WINEPREFIX=" + self.prefix).encode()
        found = []
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as environ:
                    if marker not in environ.read().split(b"\0"):
                        continue
                with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                    command = cmdline.read().replace(b"\0", b" ").decode("utf-8", "replace")
                with open("/proc/%s/stat" % pid, "rb") as stat:
                    if stat.read().rsplit(b")", 1)[-1].split()[0] == b"Z":
                        continue
            except OSError:
                continue
            program = command.split(" ", 1)[0].replace("\\", "/").rsplit("/", 1)[-1].lower()
            if not program.startswith(self._SERVICES):
                found.append(command.strip())
        return found


REGEDIT5 = "Windows Registry Editor Version 5.00"
_HARDWARE = "HKEY_LOCAL_MACHINE\\HARDWARE"


def _label(source):
    return source if isinstance(source, str) and os.path.isfile(source) else "<.reg text>"


def regedit4(data, encoding="cp1252"):
    """The bytes of a .reg file as REGEDIT4 (ANSI, code page 1252 unless `encoding` names
    another), the form sorvik-regvol reads. Version 5 files (UTF-16LE) are converted, hex(1),
    hex(2) and hex(7) data included."""
    if not data.startswith(b"\xff\xfe"):
        return data
    lines = _logical_lines(data[2:].decode("utf-16-le").replace("\r\n", "\n").split("\n"))
    body = [_unicode_value_to_ansi(line, encoding) for line in lines if line.strip() != REGEDIT5]
    return ("REGEDIT4\r\n" + "\r\n".join(body) + "\r\n").encode(encoding, "replace")


def split_hardware_sections(data, encoding="cp1252"):
    """Splits the bytes of a .reg file into (the sections under HKEY_LOCAL_MACHINE\\HARDWARE
    as REGEDIT4 bytes for sorvik-regvol, the other sections as bytes in the file's own format
    for regedit); None for a part without sections."""
    unicode = data.startswith(b"\xff\xfe")
    text = data[2:].decode("utf-16-le") if unicode else data.decode("latin-1")
    lines = text.replace("\r\n", "\n").split("\n")
    header_at = next((i for i, line in enumerate(lines) if line.strip()), None)
    if header_at is None:
        return None, None
    header = lines[header_at].strip()
    parts = {True: [], False: []}
    current = None
    for line in _logical_lines(lines[header_at + 1:]):
        stripped = line.strip()
        if stripped.startswith("["):
            key = stripped.strip("[]").lstrip("-").upper()
            current = parts[key == _HARDWARE or key.startswith(_HARDWARE + "\\")]
        if current is not None:
            current.append(line)

    def assemble(body):
        text = header + "\r\n\r\n" + "\r\n".join(body) + "\r\n"
        return b"\xff\xfe" + text.encode("utf-16-le") if unicode else text.encode("latin-1")

    hardware = regedit4(assemble(parts[True]), encoding) if parts[True] else None
    return hardware, assemble(parts[False]) if parts[False] else None


def _logical_lines(lines):
    """Joins hex data continued with a trailing backslash into one line."""
    joined = []
    pending = ""
    for line in lines:
        stripped = line.strip()
        if pending:
            pending += stripped
        elif "=hex" in stripped and stripped.endswith("\\"):
            pending = stripped
        else:
            joined.append(line)
            continue
        if pending.endswith("\\"):
            pending = pending[:-1]
        else:
            joined.append(pending)
            pending = ""
    if pending:
        joined.append(pending)
    return joined


def _unicode_value_to_ansi(line, encoding="cp1252"):
    """A version 5 value line with UTF-16LE text data (hex(1), hex(2), hex(7)) in ANSI form."""
    name, separator, data = line.partition("=hex(")
    if not separator or not data[:2].lower() in ("1)", "2)", "7)"):
        return line
    raw = bytes(int(byte, 16) for byte in data[3:].replace(" ", "").split(",") if byte)
    ansi = raw.decode("utf-16-le").encode(encoding, "replace")
    return "%s=hex(%s):%s" % (name, data[0], ",".join("%02x" % byte for byte in ansi))


def _c_drive_path(c_root, windows_path):
    drive, _, rest = windows_path.partition(":")
    if drive.upper() != "C":
        raise ValueError("only C: paths are mapped: %r" % windows_path)
    return os.path.join(c_root, *[part for part in rest.split("\\") if part])


class ReplayResult(CDriveFiles):
    def __init__(self, workdir, command_line, completed):
        self.workdir = workdir
        self.command_line = command_line
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr

    def host_path(self, windows_path):
        return _c_drive_path(self.workdir, windows_path)

    def describe(self):
        return "sorvik-replay in %s, command line %r: exit %d\nstdout: %s\nstderr: %s" % (
            self.workdir, self.command_line, self.returncode, _tail(self.stdout),
            _tail(self.stderr))


def _profile_folders(profile):
    """The C: folders a profile's machine has: its temporary folder and the executable's."""
    values = {"temppath": "C:\\TEMP\\", "modulepath": "C:\\sorvik\\sorvik.exe"}
    section = None
    ini = os.path.join(profile, "machine.ini")
    if os.path.isfile(ini):
        for line in _read(ini).decode("latin-1").splitlines():
            line = line.strip()
            if line.startswith("["):
                section = line.strip("[]").strip().lower()
            elif section == "files" and "=" in line:
                name, _, value = line.partition("=")
                values[name.strip().lower()] = value.strip().strip('"')
    folders = [values["temppath"], values["modulepath"].rsplit("\\", 1)[0]]
    return [folder for folder in folders if folder[:2].upper() == "C:"]


def profile_path(name):
    """A profile by name (tests/fixtures/NAME) or by path."""
    return name if os.path.isdir(name) else os.path.join(FIXTURES_DIR, name)


@contextlib.contextmanager
def replay(profile, command_line="", folders=(), timeout=WINE_TIMEOUT):
    """Runs sorvik-replay PROFILE [COMMAND LINE] in a fresh working folder (the simulator's
    C: drive) in which `folders` (Windows paths such as "C:\\out") exist first, as do the
    profile's temporary folder and the executable's folder; yields a ReplayResult and removes
    the working folder afterwards."""
    workdir = tempfile.mkdtemp(prefix="sorvik-replay-")
    try:
        for folder in list(folders) + _profile_folders(profile_path(profile)):
            os.makedirs(_c_drive_path(workdir, folder), exist_ok=True)
        argv = [replay_exe(), os.path.abspath(profile_path(profile))]
        if command_line:
            argv.append(command_line)
        yield ReplayResult(workdir, command_line, _run(argv, None, timeout, cwd=workdir))
    finally:
        if keep_folders():
            print("kept replay folder: %s" % workdir)
        else:
            shutil.rmtree(workdir, ignore_errors=True)


# ---------------------------------------------------------------------------------------------
# Test cases

class WineTestCase(unittest.TestCase):
    """Base of Wine scenarios: checks the prerequisites, hands out machines that are shut
    down after the test, and asserts with messages that show the report and Wine's output."""

    maxDiff = None

    def setUp(self):
        require_wine(self)
        print("\n  runner: %s in a %s prefix" % (sorvik_exe(), arch()), flush=True)

    def machine(self, version="winxp", code_page=1252):
        wine = WineMachine(version=version, code_page=code_page)
        self.addCleanup(wine.close)
        wine.open()
        return wine

    def replay(self, profile, command_line="", folders=()):
        require_replay(self)
        manager = replay(profile, command_line, folders)
        result = manager.__enter__()
        self.addCleanup(manager.__exit__, None, None, None)
        return result

    def fail_with(self, message, *contexts):
        """Fails with the message and the describe() of every context (run, machine, replay)."""
        details = [context.describe() for context in contexts if context is not None]
        self.fail("\n\n".join([message] + details))

    def assertFrame(self, data, *contexts):
        """BOM, declaration, root start tag (version, creation time form), end tag, CR LF."""
        try:
            report.check_frame(data)
            problem = None
        except report.ReportError as error:
            problem = str(error)
        if problem:
            self.fail_with(problem, *contexts)
        problem = report.well_formed(data)
        if problem:
            self.fail_with("report is not well-formed XML: %s\n%s"
                           % (problem, report.show(data)), *contexts)

    def assertReplaySections(self, data, profile, command_line, out, names, *contexts):
        """Replays `profile` with the command line, reads the report at the C: path `out`, and
        asserts that its named sections equal those of `data`; returns the replayed report."""
        replayed = self.replay(profile, command_line, folders=[out.rsplit("\\", 1)[0]])
        replay_data = replayed.read_file(out)
        if replayed.returncode != 0 or replay_data is None:
            self.fail_with("sorvik-replay failed", replayed, *contexts)
        self.assertSameSections(data, replay_data, names, *(contexts + (replayed,)))
        return replay_data

    def assertSameSections(self, expected, actual, names, *contexts):
        """The named top-level sections of two reports are byte for byte the same."""
        for name in names:
            self.assertSameBytes(report.Report(expected).section(name),
                                 report.Report(actual).section(name),
                                 "%s sections" % name, *contexts)

    def assertSameBytes(self, expected, actual, what, *contexts):
        """Byte equality with a line diff (CR and tabs visible) on failure."""
        if expected != actual:
            self.fail_with("%s differ:\n%s" % (what, report.diff(expected, actual)), *contexts)


if __name__ == "__main__":
    # `python3 harness.py`: which runner the e2e tests take on this machine, and why not.
    kind, why_not = runner()
    print("e2e runner: %s in a %s prefix (%s)%s"
          % (sorvik_exe(), kind, LOADERS.get(kind, "?"), ": " + why_not if why_not else ""))

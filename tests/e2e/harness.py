"""End-to-end harness: the real sorvik.exe under Wine, and sorvik-replay on a profile of the
same machine (tests/lib/profiles.py). See README.md in this folder.

Environment: SORVIK_E2E_ARCH (win32 or win64; unset: win32 where Wine's 32-bit loader runs,
else win64), SORVIK_EXE, SORVIK_REGVOL (build/ARCH/...), SORVIK_REPLAY, SORVIK_E2E_CACHE (the
prefix template's folder), SORVIK_SKIP_WINE=1 (skip instead of failing when Wine or the exe is
missing), SORVIK_E2E_KEEP=1 (keep each scenario's folders).

`python3 harness.py` says which runner the e2e tests take here; `--runner` prints its kind and
loader for scripts (exit 1 with the reason on stderr when it can't run).
"""

import collections
import fcntl
import functools
import hashlib
import os
import shlex
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

import report
from profiles import (FIXTURES_DIR, SOURCE_DIR, CommandError, Outcome, code_page,  # noqa: F401
                      keep_folders, path_from_env, read_bytes, read_ini, registry_files,
                      registry_keys, replay, replay_exe, run_command, tail)

TEMPLATE_TIMEOUT = 240
WINE_TIMEOUT = 60
SHUTDOWN_TIMEOUT = 30
# A scenario's wineserver outlives the gaps between our calls by this much, and no more, so
# that a test killed from outside leaves no server behind for long.
SESSION_LINGER = 300
# Debian's Wine loaders; a prefix of each kind runs only programs of its own width here.
LOADERS = {"win32": "/usr/lib/wine/wine", "win64": "/usr/lib/wine/wine64"}


def _probe(loader):
    """None when the loader runs on this machine, else why not."""
    try:
        result = subprocess.run([loader, "--version"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                timeout=WINE_TIMEOUT)
    except (OSError, subprocess.SubprocessError) as error:
        return "%s can't run here: %s" % (loader, error)
    if result.returncode != 0:
        return "%s --version exited %d: %s" % (loader, result.returncode,
                                               tail(result.stderr, 400).strip())
    return None


@functools.lru_cache(maxsize=None)
def runner():
    """(arch, None) for the kind of prefix the tests use, or (arch, why it can't run).
    A forced kind that the machine can't run is an error, never a reason to skip."""
    forced = os.environ.get("SORVIK_E2E_ARCH", "")
    if forced:
        if forced not in LOADERS:
            return forced, "SORVIK_E2E_ARCH=%s: use win32 or win64" % forced
        problem = _probe(LOADERS[forced])
        if problem and forced == "win32":
            problem += (" (SORVIK_E2E_ARCH=win32 forces the 32-bit loader; this kernel may "
                        "have 32-bit emulation switched off: leave it unset or use win64)")
        return forced, problem
    if _probe(LOADERS["win32"]) is None:
        return "win32", None
    return "win64", _probe(LOADERS["win64"])


def arch():
    return runner()[0]


def loader():
    return LOADERS[arch()]


def sorvik_exe():
    return path_from_env("SORVIK_EXE", "build/%s/sorvik.exe" % arch())


def product_exe():  # the shipped program, whatever the runner
    return os.path.join(SOURCE_DIR, "build", "win32", "sorvik.exe")


def regvol_exe():
    return path_from_env("SORVIK_REGVOL", "build/%s/sorvik-regvol.exe" % arch())


def require_wine(testcase):
    """Fails with the reason when the runner can't run or a built program is missing (skips
    instead under SORVIK_SKIP_WINE=1, but a forced runner that can't run always fails)."""
    kind, problem = runner()
    if problem and os.environ.get("SORVIK_E2E_ARCH"):
        testcase.fail(problem)
    missing = problem and "no Wine loader runs here (%s)" % problem
    for path in (sorvik_exe(), regvol_exe()):
        if not missing and not os.path.isfile(path):
            missing = "%s not found: cmake --preset %s && cmake --build --preset %s" % (
                path, kind, kind)
    if missing and os.environ.get("SORVIK_SKIP_WINE") == "1":
        raise unittest.SkipTest(missing + " (SORVIK_SKIP_WINE=1)")
    if missing:
        testcase.fail(missing + "; or set SORVIK_SKIP_WINE=1 to skip the Wine tests")
    if not os.path.isfile(replay_exe()):
        testcase.fail("sorvik-replay not found at %s: build the native target" % replay_exe())


def _base_env(home):
    env = {key: value for key, value in os.environ.items()
           if not key.startswith("WINE") and key not in ("DISPLAY", "WAYLAND_DISPLAY")}
    env.update(HOME=home, WINEARCH=arch(), WINELOADER=loader(), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", LC_ALL="C.UTF-8",
               XDG_CONFIG_HOME=os.path.join(home, ".config"),
               XDG_DATA_HOME=os.path.join(home, ".local", "share"))
    return env


def template_prefix():
    """A booted prefix of the runner's kind, made once per build tree and Wine version; test
    processes that start at once take a lock, and the first makes it."""
    root = path_from_env("SORVIK_E2E_CACHE", "build/e2e-cache")
    os.makedirs(root, exist_ok=True)
    version = subprocess.run([loader(), "--version"], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, timeout=WINE_TIMEOUT).stdout
    template = os.path.join(root, "prefix-%s-%s" % (arch(),
                                                    hashlib.sha256(version).hexdigest()[:12]))
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
            os.makedirs(os.path.join(work, "home"))
            env = dict(_base_env(os.path.join(work, "home")), WINEPREFIX=prefix)
            log = []
            try:
                if run_command([loader(), "wineboot", "-i"], env, TEMPLATE_TIMEOUT, log=log).returncode:
                    raise CommandError("wineboot -i failed:\n" + "\n".join(log))
                # The registry reaches the prefix's files only when the server ends.
                run_command(["wineserver", "-w"], env, TEMPLATE_TIMEOUT, log=log)
            finally:
                run_command(["wineserver", "-k"], env, SHUTDOWN_TIMEOUT)
            # The user's shell folders link into the throwaway HOME: make them plain folders.
            for folder, dirs, files in os.walk(os.path.join(prefix, "drive_c", "users")):
                for name in dirs + files:
                    path = os.path.join(folder, name)
                    if os.path.islink(path) and os.path.isabs(os.readlink(path)):
                        os.unlink(path)
                        os.makedirs(path)
            open(os.path.join(prefix, ".sorvik-ready"), "w").close()
            os.rename(prefix, template)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    return template


# winebrowser hands URLs to xdg-open; this one records each call as a line, the arguments
# separated by the unit separator (hex 1F).
_XDG_OPEN = """#!/bin/sh
{ for argument in "$@"; do printf '%%s\\037' "$argument"; done; printf '\\n'; } >> '%s'
"""


def batch_escape(command_line):
    """A command line as a .bat file must hold it for cmd.exe to pass it unchanged: "%" doubled,
    ^ & | < > outside double quotes behind a caret."""
    if any(char in command_line for char in "\r\n\0"):
        raise ValueError("a command line holds no CR, LF or NUL: %r" % command_line)
    out, quoted = [], False
    for char in command_line:
        if char == '"':
            quoted = not quoted
        elif char == "%" or (not quoted and char in "^&|<>"):
            out.append("%" if char == "%" else "^")
        out.append(char)
    return "".join(out)


class WineMachine(Outcome):
    """One scenario's Windows machine: a copy of the template prefix with its own wineserver
    session, kept until close() so that volatile keys survive between calls. `code_page`: the
    ANSI code page, through a Unix locale (Wine takes it from there, installed or not);
    `wrapper`: a command that every `wine` call runs through (`wrapper + [wine, ...]`)."""

    EXE_FOLDER = "C:\\sorvik"  # the simulator's default module folder as well
    LOCALES = {1252: "C.UTF-8", 1251: "ru_RU.UTF-8", 1250: "cs_CZ.UTF-8", 1253: "el_GR.UTF-8",
               1254: "tr_TR.UTF-8", 1255: "he_IL.UTF-8", 1256: "ar_SA.UTF-8", 1257: "lt_LT.UTF-8",
               1258: "vi_VN.UTF-8", 874: "th_TH.UTF-8", 932: "ja_JP.UTF-8", 936: "zh_CN.UTF-8",
               949: "ko_KR.UTF-8", 950: "zh_TW.UTF-8"}
    REGVOL = "C:\\e2e\\sorvik-regvol.exe"

    def __init__(self, version="winxp", code_page=1252, wrapper=()):
        self.version, self.code_page, self.encoding = version, code_page, "cp%d" % code_page
        self.wrapper = list(wrapper)
        self.log, self.root, self.prefix, self.env = [], None, None, None

    def open(self):
        try:
            template = template_prefix()
            self.root = tempfile.mkdtemp(prefix="sorvik-e2e-")
            self.prefix = os.path.join(self.root, "prefix")
            self.c_root = os.path.join(self.prefix, "drive_c")
            bin_dir = os.path.join(self.root, "bin")
            os.makedirs(bin_dir)
            os.makedirs(os.path.join(self.root, "home"))
            if run_command(["cp", "-a", template, self.prefix], None, WINE_TIMEOUT,
                    log=self.log).returncode:
                raise CommandError("copying the prefix template failed:\n" + self.describe())
            os.unlink(os.path.join(self.prefix, ".sorvik-ready"))
            self.shell_log = os.path.join(self.root, "xdg-open.log")
            with open(os.path.join(bin_dir, "xdg-open"), "w") as script:
                script.write(_XDG_OPEN % self.shell_log)
            os.chmod(os.path.join(bin_dir, "xdg-open"), 0o755)
            self.env = _base_env(os.path.join(self.root, "home"))
            self.env.update(LC_ALL=self.LOCALES[self.code_page], WINEPREFIX=self.prefix,
                            PATH=bin_dir + os.pathsep + self.env.get("PATH", "/usr/bin:/bin"))
            # A lingering server keeps the session (and its volatile keys) between our calls.
            self._server("-p%d" % SESSION_LINGER)
            if self.version:
                self.set_windows_version(self.version)
            return self
        except BaseException:
            self.close()
            raise

    def close(self):
        if self.root is None:
            return
        if self.env is not None:
            run_command(["wineserver", "-k"], self.env, SHUTDOWN_TIMEOUT, log=self.log)
        if keep_folders():
            print("kept scenario folder: %s" % self.root)
        else:
            shutil.rmtree(self.root, ignore_errors=True)
        self.root = None

    def _server(self, argument):
        if run_command(["wineserver", argument], self.env, SHUTDOWN_TIMEOUT, log=self.log).returncode:
            raise CommandError("wineserver %s failed\n%s" % (argument, self.describe()))

    def describe(self):
        """Every command of this scenario with its output, for failure messages."""
        return "Wine scenario log (%s):\n%s" % (self.root, "\n".join(self.log))

    def wine(self, *arguments, timeout=WINE_TIMEOUT, check=True):
        """Runs `wine ARGUMENTS...`; with check, a non-zero exit fails with the log."""
        result = run_command(self.wrapper + [loader()] + list(arguments), self.env, timeout,
                      log=self.log)
        if check and result.returncode != 0:
            raise CommandError("wine %s exited %d\n%s"
                               % (shlex.join(arguments), result.returncode, self.describe()))
        return result

    def make_dir(self, windows_path):
        os.makedirs(self.host_path(windows_path), exist_ok=True)

    def put_file(self, windows_path, data):
        path = self.host_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode("latin-1"))

    def snapshot(self):
        """The files on C: as Windows paths, without C:\\windows (Wine's) and C:\\e2e (ours)."""
        found = set()
        for folder, dirs, files in os.walk(self.c_root):
            relative = os.path.relpath(folder, self.c_root)
            if relative == ".":
                dirs[:] = [name for name in dirs if name.lower() not in ("windows", "e2e")]
                relative = ""
            found.update("C:\\" + os.path.join(relative, name).replace("/", "\\")
                         for name in files)
        return found

    def set_windows_version(self, version):
        """A version of VERSIONS, or win95 win98 winme win2008 (see README.md)."""
        self.wine("reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f")
        self.version = version

    def _stage(self, source, name):
        """Places a .reg file (a path, bytes, or REGEDIT4 text) in C:\\e2e; its Windows path."""
        if isinstance(source, str) and os.path.isfile(source):
            source = read_bytes(source)
        self.put_file("C:\\e2e\\" + name, source)
        return "C:\\e2e\\" + name

    def install_regvol(self):
        if not os.path.exists(self.host_path(self.REGVOL)):
            self.put_file(self.REGVOL, read_bytes(regvol_exe()))
        return self.REGVOL

    def import_reg(self, source):
        """`regedit /S`, then what lies below HKEY_LOCAL_MACHINE\\HARDWARE again through
        sorvik-regvol /hardware (Wine rebuilds that tree at each session start and refuses
        non-volatile keys below it, so regedit leaves them out), then sorvik-regvol /check that
        the registry holds every key and value of the file (regedit exits 0 even when an import
        fails)."""
        staged = self._stage(source, "import-%d.reg" % len(self.log))
        self.wine("regedit", "/S", staged)
        self.wine(self.install_regvol(), "/hardware", staged)
        self.wine(self.install_regvol(), "/check", staged)

    def load_profile(self, profile, on_refused=None):
        """Imports a profile's *.reg files in name order and its default printer; Wine's other
        facts stay. `on_refused(file name, bytes)` may handle a file that regedit does not store
        as it says (else the failure stands)."""
        for name, data in registry_files(profile):
            try:
                self.import_reg(data)
            except CommandError:
                if on_refused is None or not on_refused(name, data):
                    raise
        printer = wine_printer(profile)
        if printer is None and read_ini(profile).get("printer", {}).get("name"):
            print("%s: a default printer that win.ini cannot hold, left out on both sides"
                  % profile)
        if printer is not None:
            device = "%s,winspool,%s" % printer
            self.import_reg("REGEDIT4\r\n\r\n[%s]\r\n\"Device\"=\"%s\"\r\n" % (
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                device.replace("\\", "\\\\").replace('"', '\\"')))

    def run_sorvik(self, command_line="", folder=EXE_FOLDER, timeout=WINE_TIMEOUT, exe=None):
        """Runs sorvik.exe (the runner's, or the host file `exe`) from a C:\\ folder with
        exactly `command_line`."""
        path = folder.rstrip("\\") + "\\sorvik.exe"
        self.install_sorvik(folder, exe)
        return self.run_program(path, command_line, timeout)

    def install_sorvik(self, folder=EXE_FOLDER, exe=None):
        self.put_file(folder.rstrip("\\") + "\\sorvik.exe", read_bytes(exe or sorvik_exe()))

    def run_program(self, exe, command_line="", timeout=WINE_TIMEOUT):
        """Runs a program of the prefix with exactly `command_line` (leading blanks never reach
        it) through a .bat and `wine cmd /c`, the one way that hands a GUI program an exact line
        and waits for it."""
        line = exe if not command_line else exe + " " + batch_escape(command_line)
        self.put_file("C:\\e2e\\run.bat", "@echo off\r\n%s\r\n" % line)
        completed = self.wine("cmd", "/c", "C:\\e2e\\run.bat", timeout=timeout, check=False)
        return Outcome("%s %r" % (exe, command_line), completed, self.c_root)

    def shell_opens(self):
        """Every xdg-open call so far, each as its list of arguments."""
        if not os.path.exists(self.shell_log):
            return []
        return [line.decode("utf-8", "replace").split("\x1f")[:-1]
                for line in read_bytes(self.shell_log).split(b"\n") if line]

    def wait_idle(self, timeout=20):
        """Waits until no program of the session runs but Wine's own services (winebrowser
        starts after sorvik.exe has ended), before checking what a run did or did not do."""
        deadline = time.monotonic() + timeout
        while self._user_processes():
            if time.monotonic() > deadline:
                raise CommandError("still running: %s\n%s" % (self._user_processes(),
                                                              self.describe()))
            time.sleep(0.05)

    def _user_processes(self):
        marker = ("WINEPREFIX=" + self.prefix).encode()
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                if marker not in read_bytes("/proc/%s/environ" % pid).split(b"\0"):
                    continue
                if read_bytes("/proc/%s/stat" % pid).rsplit(b")", 1)[-1].split()[0] == b"Z":
                    continue
                command = read_bytes("/proc/%s/cmdline" % pid).replace(b"\0", b" ").decode("latin-1")
            except OSError:
                continue
            program = command.split(" ", 1)[0].replace("\\", "/").rsplit("/", 1)[-1].lower()
            if not program.startswith(("services.exe", "winedevice.exe", "plugplay.exe",
                                       "explorer.exe", "rpcss.exe", "svchost.exe", "wineserver")):
                found.append(command.strip())
        return found


def wine_printer(profile):
    """A profile's default printer as (name, port) for win.ini's device line; None without one,
    or when the name or port holds what that line cannot (a comma, a control character)."""
    printer = read_ini(profile).get("printer", {})
    name, port = printer.get("name", ""), printer.get("port", "")
    if not name or any(char == "," or char < " " for char in name + port):
        return None
    return name, port


# What Wine 8.0 reports for each version setting (measured) and the name the program composes
# from it. To a program whose manifest declares them (ours does) 8.1 and 10 report their own
# version; Wine swaps 6.1's product types, and its GetProductInfo gives PRODUCT_ULTIMATE_N to
# a workstation and PRODUCT_STANDARD_SERVER to a server.
Version = collections.namedtuple(
    "Version", "major minor build platform csd sp productType suiteMask productInfo fullName")
VERSIONS = {
    "win31": Version(3, 10, 0, 0, "Win32s 1.3", 0, 0, 0, None, "Win32s"),
    "win98": Version(4, 10, 2222, 1, " A ", 0, 0, 0, None, "Windows 98 SE"),
    "nt40": Version(4, 0, 1381, 2, "Service Pack 6a", 6, 1, 0, None,
                    "Windows NT Workstation 4.0 Service Pack 6a"),
    "win2k": Version(5, 0, 2195, 2, "Service Pack 4", 4, 1, 0, None,
                     "Windows 2000 Professional Service Pack 4"),
    "winxp": Version(5, 1, 2600, 2, "Service Pack 3", 3, 1, 0x100, None,
                     "Windows XP Professional Service Pack 3"),
    "win2003": Version(5, 2, 3790, 2, "Service Pack 2", 2, 3, 0x110, None,
                       "Windows Server 2003 Standard Edition Service Pack 2"),
    "vista": Version(6, 0, 6002, 2, "Service Pack 2", 2, 1, 0x100, 1,
                     "Windows Vista Ultimate Edition"),
    "win7": Version(6, 1, 7601, 2, "Service Pack 1", 1, 3, 0x110, 0x07,
                    "Windows Server 2008 R2 Standard"),
    "win2008r2": Version(6, 1, 7601, 2, "Service Pack 1", 1, 1, 0x100, 0x1C,
                         "Windows 7 Ultimate N"),
    "win8": Version(6, 2, 9200, 2, "", 0, 1, 0x100, 0x1C, "Windows 8 Ultimate N"),
    "win81": Version(6, 3, 9600, 2, "", 0, 1, 0x100, 0x1C, "Windows 8.1 Ultimate N"),
    "win10": Version(10, 0, 18362, 2, "", 0, 1, 0x100, 0x1C, "Windows 10 Ultimate N"),
}
# The values of a new prefix that the compared sections read, and what Wine makes of the
# registry at every process start: it files its generic monitor again, dropping any other.
WINE_REG = ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]"
            "\r\n\"ProductId\"=\"12345-oem-0000001-54321\"\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\"
            "CurrentControlSet\\Control\\ProductOptions]\r\n\"ProductType\"=\"WinNT\"\r\n")
MONITORS = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor"
WINE_START_REG = ("REGEDIT4\r\n\r\n[-%s]\r\n\r\n[%s\\0000&0000]\r\n\"Class\"=\"Monitor\"\r\n"
                  "\"DeviceDesc\"=\"Generic Non-PnP Monitor\"\r\n" % (MONITORS, MONITORS))


def full_name(version):
    """The name for a version; on 5.2 a 64-bit prefix's native architecture (AMD64) counts."""
    name = VERSIONS[version].fullName
    return name.replace(" Standard Edition", " Standard x64 Edition") if (
        version == "win2003" and arch() == "win64") else name


def wine_version(profile):
    """(the Wine version setting that presents a fixture, None), or (None, why none does)."""
    facts = read_ini(profile).get("version", {})
    if "no" in (facts.get("works", "yes").lower(), facts.get("extendedworks", "yes").lower()):
        return None, "its version call fails"
    if max(map(len, registry_keys(profile) or [""])) > 255:
        return None, "a key's name, its path included, is longer than the registry's 255 characters"
    if code_page(profile) not in WineMachine.LOCALES:
        return None, "no locale gives Wine its ANSI code page"
    platform, major, minor, product_type = (int(facts.get(name, default), 0) for name, default in (
        ("platform", "2"), ("major", "5"), ("minor", "1"), ("producttype", "1")))
    server = product_type != 1
    found = None if platform != 2 else "nt40" if major == 4 else {
        (5, 0): "win2k", (5, 1): "winxp"}.get((major, minor)) or {
        (5, 2, True): "win2003", (6, 0, False): "vista"}.get((major, minor, server))
    return (found, None) if found else (None, "Wine presents no version %d.%d%s on platform %d "
                                        "here" % (major, minor, " server" * server, platform))


def same_machine(testcase, version, profiles=(), extra_ini="", extra_regs=(), amend=None):
    """Writes (in a folder removed after the test) the profile of the Wine machine presenting
    `version` (a name of VERSIONS, or a Version) into which the profiles were loaded: Wine's
    facts and base registry, each profile's registry files (each followed by `amend[file
    name]`, REGEDIT4, if given), then `extra_regs`, then what Wine changes at a process start.
    Returns its path."""
    folder = tempfile.mkdtemp(prefix="sorvik-same-machine-")
    testcase.addCleanup(shutil.rmtree, folder, True)
    facts = version if isinstance(version, Version) else VERSIONS[version]
    native = 9 if arch() == "win64" else 0
    lines = ["[version]"] + ["%s = %s" % pair for pair in (
        ("major", facts.major), ("minor", facts.minor), ("build", facts.build),
        ("platform", facts.platform), ("csd", '"%s"' % facts.csd),
        ("servicePackMajor", facts.sp), ("productType", facts.productType),
        ("suiteMask", facts.suiteMask))] + [
        "[kernel32]", "GetProductInfo = %s" % ("no" if facts.productInfo is None else "yes"),
        "productInfoType = %d" % (facts.productInfo or 0),
        # A 64-bit prefix reports AMD64 and runs the x86_64 build, which sees the 64-bit views.
        "[processor]", "architecture = %d" % native, "nativeArchitecture = %d" % native,
        "program64Bit = %s" % ("yes" if native else "no"),
        "[files]", "modulePath = C:\\sorvik\\sorvik.exe", "tempPath = C:\\TEMP\\",
        "[registry]", "dynData = no"]
    for profile in profiles:
        printer = wine_printer(profile)
        if printer is not None:
            lines += ["[printer]", 'name = "%s"' % printer[0], 'port = "%s"' % printer[1]]
    if profiles:
        lines += ["[text]", "ansiCodePage = %d" % code_page(profiles[-1])]
    files = [("machine.ini", "\r\n".join(lines) + "\r\n" + extra_ini), ("00-wine.reg", WINE_REG)]
    for number, profile in enumerate(profiles, 1):
        for name, data in registry_files(profile):
            files.append(("%02d-%s" % (number, name), data))
            if amend and name in amend:
                files.append(("%02d-%s~amend.reg" % (number, name), amend[name]))
    files += [("90-extra-%02d.reg" % n, data) for n, data in enumerate(extra_regs, 1)]
    for name, data in files + [("99-wine-start.reg", WINE_START_REG)]:
        with open(os.path.join(folder, name), "wb") as out:
            out.write(data if isinstance(data, bytes) else data.encode("latin-1"))
    return folder


class WineTestCase(unittest.TestCase):
    """Base of Wine scenarios: checks the prerequisites, hands out machines that are shut down
    after the test, and fails with the report and Wine's output."""

    maxDiff = None

    def setUp(self):
        require_wine(self)
        print("\n  runner: %s in a %s prefix" % (sorvik_exe(), arch()), flush=True)

    def machine(self, version="winxp", code_page=1252, wrapper=()):
        wine = WineMachine(version=version, code_page=code_page, wrapper=wrapper)
        self.addCleanup(wine.close)
        return wine.open()

    def replay(self, profile, command_line="", folders=()):
        manager = replay(profile, command_line, folders)
        self.addCleanup(manager.__exit__, None, None, None)
        return manager.__enter__()

    def fail_with(self, message, *contexts):
        """Fails with the message and the describe() of every context (run, machine, replay)."""
        self.fail("\n\n".join([message] + [c.describe() for c in contexts if c is not None]))

    def report_of(self, outcome, path, *contexts):
        """The complete, well-formed report at a C: path, after a run that exited 0."""
        data = outcome.read_file(path)
        problem = report.problem(data)
        if outcome.returncode != 0 or problem:
            self.fail_with("exit %s, report at %s: %s\n%s" % (
                outcome.returncode, path, problem or "fine", report.show(data)),
                outcome, *contexts)
        return data

    def assertSameParts(self, data, other, paths, *contexts):
        """The parts of two reports at the paths (report.part) are byte for byte the same;
        the failure lists every differing part."""
        differences = ["%s:\n%s" % (path, report.diff(report.part(data, path),
                                                      report.part(other, path)))
                       for path in paths if report.part(data, path) != report.part(other, path)]
        if differences:
            self.fail_with("%d part(s) differ (- Wine, + replay)\n\n%s" % (
                len(differences), "\n".join(differences)), *contexts)

    def assertLikeReplay(self, data, profile, command_line, out, paths, *contexts):
        """Replays `profile` with the command line and compares the parts of its report at the
        C: path `out` with those of `data`; returns the replayed report."""
        replayed = self.replay(profile, command_line, folders=[out.rsplit("\\", 1)[0]])
        other = self.report_of(replayed, out, *contexts)
        self.assertSameParts(data, other, paths, *(contexts + (replayed,)))
        return other


if __name__ == "__main__":
    kind, why_not = runner()
    if sys.argv[1:] == ["--runner"]:
        if why_not:
            sys.exit("e2e runner %s: %s" % (kind, why_not))
        if kind == "win64" and not os.environ.get("SORVIK_E2E_ARCH"):
            print("this machine can't run Wine's 32-bit loader: running the x86_64 test build",
                  file=sys.stderr)
        print(kind, LOADERS[kind])
        sys.exit(0)
    print("e2e runner: %s in a %s prefix (%s)%s"
          % (sorvik_exe(), kind, LOADERS.get(kind, "?"), ": " + why_not if why_not else ""))

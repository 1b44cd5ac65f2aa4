"""Machine profiles and sorvik-replay, for the replay tier and the Wine tier alike: running
commands, the profiles' machine.ini and registry (as sorvik-replay reads them), and replayed
runs on a simulated C:. The Wine tier finds it on PYTHONPATH=tests/replay (CTest sets it).

Environment: SORVIK_REPLAY (default build/native/sorvik-replay), SORVIK_E2E_KEEP=1 (keep each
run's folders).
"""

import contextlib
import os
import re
import shlex
import shutil
import subprocess
import tempfile
import time

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
FIXTURES_DIR = os.path.join(SOURCE_DIR, "tests", "fixtures")
RUN_TIMEOUT = 60
LOAD_TIMEOUT = 600  # the large profiles, under the sanitizers on a busy machine


def path_from_env(name, default):
    return os.path.abspath(os.environ.get(name) or os.path.join(SOURCE_DIR, default))


def replay_exe():
    return path_from_env("SORVIK_REPLAY", "build/native/sorvik-replay")


def keep_folders():
    return os.environ.get("SORVIK_E2E_KEEP") == "1"


def read_bytes(path):
    with open(path, "rb") as source:
        return source.read()


def tail(data, limit=4000):
    text = data.decode("utf-8", "replace") if isinstance(data, bytes) else data
    return text if len(text) <= limit else "...\n" + text[-limit:]


class CommandError(AssertionError):
    pass


def run_command(argv, env, timeout, cwd=None, log=None):
    """Runs one command with a time limit and logs it. Output goes to files, not pipes: Wine's
    daemons inherit the descriptors and would hold a pipe open long after the command."""
    started = time.monotonic()
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        try:
            code = subprocess.run(argv, env=env, cwd=cwd, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=err, timeout=timeout).returncode
        except subprocess.TimeoutExpired:
            code = None
        out.seek(0)
        err.seek(0)
        result = subprocess.CompletedProcess(argv, code, out.read(), err.read())
    entry = "$ %s\n  exit %s in %.2fs" % (shlex.join(argv), code, time.monotonic() - started)
    for name in ("stdout", "stderr"):
        if getattr(result, name):
            entry += "\n  %s: %s" % (name, tail(getattr(result, name), 2000))
    if log is not None:
        log.append(entry)
    if code is None:
        raise CommandError("timed out after %ss:\n%s" % (timeout, entry))
    return result


def c_drive_path(c_root, windows_path):
    drive, _, rest = windows_path.partition(":")
    if drive.upper() != "C":
        raise ValueError("only C: paths are mapped: %r" % windows_path)
    return os.path.join(c_root, *[part for part in rest.split("\\") if part])


class Outcome:
    """What a run left: exit status and output, and the files of its C: drive by Windows path."""

    def __init__(self, what, completed, c_root):
        self.what, self.c_root = what, c_root
        self.returncode, self.stdout, self.stderr = (completed.returncode, completed.stdout,
                                                     completed.stderr)

    def host_path(self, windows_path):
        return c_drive_path(self.c_root, windows_path)

    def read_file(self, windows_path):
        """The bytes of a file, or None."""
        path = self.host_path(windows_path)
        return read_bytes(path) if os.path.isfile(path) else None

    def describe(self):
        return "%s: exit %s\nstdout: %s\nstderr: %s" % (self.what, self.returncode,
                                                       tail(self.stdout), tail(self.stderr))


def profile_path(name):
    """A profile by name (tests/fixtures/NAME) or by path."""
    return name if os.path.isdir(name) else os.path.join(FIXTURES_DIR, name)


def read_ini(profile):
    """A profile's machine.ini as {section: {name: value}}, names in lower case, unquoted."""
    path = os.path.join(profile_path(profile), "machine.ini")
    sections, current = {}, None
    for line in (read_bytes(path).decode("latin-1").splitlines() if os.path.isfile(path) else []):
        line = line.strip()
        if line.startswith("["):
            current = sections.setdefault(line.strip("[]").strip().lower(), {})
        elif current is not None and "=" in line and line[0] not in ";#":
            name, _, value = line.partition("=")
            value = value.strip()
            current[name.strip().lower()] = unquote(value)
    return sections


def unquote(value):
    """A machine.ini value as the simulator reads it: quotes removed, \\xNN inside them a byte."""
    if len(value) < 2 or value[0] != '"' or value[-1] != '"':
        return value
    return re.sub(r"\\x([0-9A-Fa-f]{2})", lambda match: chr(int(match.group(1), 16)), value[1:-1])


def code_page(profile):
    return int(read_ini(profile).get("text", {}).get("ansicodepage", "1252"), 0)


def registry_files(profile):
    """A profile's *.reg files as (name, bytes), in name order."""
    folder = profile_path(profile)
    return [(name, read_bytes(os.path.join(folder, name))) for name in sorted(os.listdir(folder))
            if name.lower().endswith(".reg")]


def registry_keys(profile):
    """Every key of the registry that a profile makes, from its root key (sorvik-replay
    --registry); None when the profile does not load."""
    result = run_command([replay_exe(), "--registry", os.path.abspath(profile_path(profile))],
                         None, LOAD_TIMEOUT)
    if result.returncode != 0:
        return None
    text = result.stdout.decode("cp%d" % code_page(profile), "replace")
    return [line[1:-1] for line in text.split("\r\n") if line.startswith("[")]


@contextlib.contextmanager
def replay(profile, command_line="", folders=(), timeout=RUN_TIMEOUT, exe=None):
    """Runs sorvik-replay (`exe`, else the built one) PROFILE [COMMAND LINE] in a fresh working
    folder, the simulated C:, in which `folders` exist first (sorvik-replay makes the program's
    and the temporary folder as the profile says); yields an Outcome and removes the folder
    afterwards."""
    workdir = tempfile.mkdtemp(prefix="sorvik-replay-")
    try:
        for folder in folders:
            os.makedirs(c_drive_path(workdir, folder), exist_ok=True)
        argv = [exe or replay_exe(), os.path.abspath(profile_path(profile))] + (
            [command_line] if command_line else [])
        yield Outcome("sorvik-replay in %s, %r" % (workdir, command_line),
                      run_command(argv, None, timeout, cwd=workdir), workdir)
    finally:
        if keep_folders():
            print("kept replay folder: %s" % workdir)
        else:
            shutil.rmtree(workdir, ignore_errors=True)

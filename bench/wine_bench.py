#!/usr/bin/env python3
"""sorvik.exe under Wine on the large machine, against the process-start floor.

    python3 bench/wine_bench.py [--build build/release] [--runs 7] [--versions vista,winxp]

For each Windows version: a fresh prefix (tests/e2e/harness.py), the large machine's .reg
files imported (each import timed: regedit /S, and the harness's read-back check), then,
with the scenario's wineserver kept running (warm), runs that alternate a do-nothing
windowed program (bench/floor.c, built here with MinGW) and sorvik.exe with each section
selection, all started the same way (`wine PROGRAM [SWITCH]`, the report in the program's
folder). Prints the median wall time of each, its ratio to the floor, the CPU time of the
program's process and of the wineserver, and checks that the software and statistics
sections of a report equal those of sorvik-replay on the same profile.

sorvik.exe and sorvik-regvol.exe come from SORVIK_EXE and SORVIK_REGVOL (default
build/win32/), sorvik-replay and make_large_machine from --build.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path[:0] = [os.path.join(SOURCE_DIR, "tests", folder) for folder in ("e2e", "replay")]

import harness  # noqa: E402
import report  # noqa: E402

OUT = '/out:"C:\\out\\report.xml"'
FLOOR_EXE = "C:\\floor\\floor.exe"
SORVIK_FOLDER = "C:\\sorvik"
SORVIK_EXE = SORVIK_FOLDER + "\\sorvik.exe"
PROGRAMS = [
    ("floor (do-nothing program)", FLOOR_EXE, None),
    ("sorvik.exe, both sections", SORVIK_EXE, None),
    ("sorvik.exe /device", SORVIK_EXE, "/device"),
    ("sorvik.exe /software", SORVIK_EXE, "/software"),
]


def build_floor(folder):
    # The same width as the runner's sorvik.exe, so that the floor is that of the same prefix.
    target = "i686" if harness.arch() == "win32" else "x86_64"
    compiler = (shutil.which("%s-w64-mingw32-gcc-win32" % target)
                or "%s-w64-mingw32-gcc" % target)
    exe = os.path.join(folder, "floor.exe")
    subprocess.run([compiler, "-Os", "-mwindows", "-static", "-s", "-o", exe,
                    os.path.join(SOURCE_DIR, "bench", "floor.c")], check=True)
    return exe


def generate(generator, folder, xp):
    argv = [generator, folder] + (["--xp"] if xp else [])
    result = subprocess.run(argv, stdout=subprocess.PIPE, check=True, text=True)
    return {name: int(value) for name, value in
            (item.split("=") for item in result.stdout.split())}


def count_keys(data):
    return sum(1 for line in data.split(b"\n") if line.startswith(b"[") and not
               line.startswith(b"[-"))


def import_profile(wine, profile):
    """Imports every .reg of the profile like harness.load_profile, timing each step."""
    rows = []
    for name, data in harness.registry_files(profile):
        staged = wine._stage(data, "bench-" + name)
        started = time.monotonic()
        wine.wine("regedit", "/S", staged, timeout=1800)
        imported = time.monotonic() - started
        wine.wine(wine.install_regvol(), "/hardware", staged, timeout=1800)
        volatile = time.monotonic() - started - imported
        wine.wine(wine.install_regvol(), "/check", staged, timeout=1800)
        rows.append((name, "regedit /S, then sorvik-regvol /hardware", count_keys(data),
                     imported + volatile, time.monotonic() - started - imported - volatile))
    return rows


def wineserver_pid(wine):
    """The process id of the scenario's wineserver (the one with its WINEPREFIX)."""
    marker = ("WINEPREFIX=" + wine.prefix).encode()
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % pid, "rb") as environ:
                if marker not in environ.read().split(b"\0"):
                    continue
            with open("/proc/%s/cmdline" % pid, "rb") as cmdline:
                program = cmdline.read().split(b"\0")[0]
        except OSError:
            continue
        if os.path.basename(program).startswith(b"wineserver"):  # wineserver32 on Debian
            return int(pid)
    return None


def cpu_seconds(pid):
    """User plus system time of a running process, from /proc (0 when it is gone)."""
    try:
        with open("/proc/%d/stat" % pid, "rb") as stat:
            fields = stat.read().rsplit(b")", 1)[1].split()
    except (OSError, TypeError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def timed_run(wine, program, switch, server):
    """Runs a program of the prefix as `wine PROGRAM [SWITCH]` (the loader waits for the
    Windows process, so wait4 gives its CPU time); returns (wall s, the program's CPU s, the
    wineserver's CPU s). Peak memory is not taken: wait4's maximum is that of the largest of
    Wine's helper processes, the same for every program. Reports of earlier runs are removed first, so that every run
    writes the same default file name."""
    for name in os.listdir(wine.host_path(SORVIK_FOLDER)):
        if name.endswith(".xml"):
            os.unlink(os.path.join(wine.host_path(SORVIK_FOLDER), name))
    argv = [harness.loader(), program] + ([switch] if switch else [])
    server_before = cpu_seconds(server)
    started = time.monotonic()
    # No pipes: Wine's daemons inherit descriptors and would hold them open.
    process = subprocess.Popen(argv, env=wine.env, stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    elapsed = time.monotonic() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit("%s exited %d\n%s" % (" ".join(argv), process.returncode, wine.describe()))
    return elapsed, usage.ru_utime + usage.ru_stime, cpu_seconds(server) - server_before


def software_sections(data):
    parsed = report.Report(data)
    return parsed.section("software") + parsed.section("statistics")


def bench_version(version, profile, floor_exe, runs, expected):
    wine = harness.WineMachine(version=version)
    try:
        opened = time.monotonic()
        wine.open()
        print("\n### %s\n\nprefix copied and session started in %.1f s\n"
              % (version, time.monotonic() - opened))
        rows = import_profile(wine, profile)
        print("| file | import | keys | import s | read-back check s |")
        print("|---|---|---:|---:|---:|")
        for name, how, keys, imported, checked in rows:
            print("| %s | %s | %d | %.1f | %s |" % (name, how, keys, imported,
                                                    "-" if checked is None else "%.1f" % checked))
        wine.put_file(FLOOR_EXE, open(floor_exe, "rb").read())
        wine.make_dir("C:\\out")

        wine.install_sorvik(SORVIK_FOLDER)
        server = wineserver_pid(wine)
        # Warm-up: the first runs after an import pay for cold caches.
        for _, program, switch in PROGRAMS:
            timed_run(wine, program, switch, server)
        measured = {label: [] for label, _, _ in PROGRAMS}
        for _ in range(runs):
            for label, program, switch in PROGRAMS:
                measured[label].append(timed_run(wine, program, switch, server))

        def median(label, field):
            return statistics.median(run[field] for run in measured[label])

        floor = PROGRAMS[0][0]
        print("\n| program | wall s, median (min to max) | ratio to floor | program CPU s | "
              "wineserver CPU s |")
        print("|---|---:|---:|---:|---:|")
        for label, _, _ in PROGRAMS:
            walls = sorted(run[0] for run in measured[label])
            print("| %s | %.2f (%.2f to %.2f) | %.1f | %.2f | %.2f |"
                  % (label, median(label, 0), walls[0], walls[-1],
                     median(label, 0) / median(floor, 0), median(label, 1), median(label, 2)))

        # The report of a run through the harness (exact command line, as the e2e tests run it).
        run = wine.run_sorvik(OUT, timeout=600)
        if run.returncode != 0:
            sys.exit("sorvik.exe failed: %s\n%s" % (run.describe(), wine.describe()))
        data = wine.read_file("C:\\out\\report.xml")
        installed = len(report.Report(data).all("software/installed"))
        print("\nreport: %d installed elements (expected %d)" % (installed, expected))
        with harness.replay(profile, OUT, folders=["C:\\out"]) as replayed:
            same = software_sections(data) == software_sections(
                replayed.read_file("C:\\out\\report.xml"))
        print("software and statistics sections identical to sorvik-replay's: %s"
              % ("yes" if same else "NO"))
        return installed == expected and same
    finally:
        wine.close()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build", "release"),
                        help="the release preset's build folder (default build/release)")
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--versions", default="vista,winxp")
    arguments = parser.parse_args()
    generator = os.path.join(arguments.build, "bench", "make_large_machine")
    os.environ.setdefault("SORVIK_REPLAY", os.path.join(arguments.build, "sorvik-replay"))
    for program in (generator, os.environ["SORVIK_REPLAY"], harness.sorvik_exe(),
                    harness.regvol_exe()):
        if not os.path.isfile(program):
            sys.exit("%s is missing: see docs/performance.md for the builds" % program)

    root = tempfile.mkdtemp(prefix="wine-bench-")
    try:
        floor_exe = build_floor(root)
        print("sorvik.exe under Wine (%s) on the large machine: median of %d runs, warm "
              "wineserver; load average at start %.2f"
              % (subprocess.run([harness.loader(), "--version"], stdout=subprocess.PIPE,
                                text=True).stdout.strip(), arguments.runs, os.getloadavg()[0]))
        started = time.monotonic()
        harness.template_prefix()
        print("prefix template ready in %.1f s" % (time.monotonic() - started))
        good = True
        for version in arguments.versions.split(","):
            xp = version != "vista"
            profile = os.path.join(root, version)
            counts = generate(generator, profile, xp)
            expected = counts["distinctUninstall"] + (0 if xp else counts["qualifyingPackages"])
            good = bench_version(version, profile, floor_exe, arguments.runs, expected) and good
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return 0 if good else 1


if __name__ == "__main__":
    sys.exit(main())

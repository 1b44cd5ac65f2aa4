#!/usr/bin/env python3
"""sorvik-replay on the large machine: wall time, CPU time and peak memory of whole runs, for
each section selection, as the Vista and as the XP generation.

    python3 bench/replay_bench.py [--build build/release] [--runs 7]

Each run is a separate process (wait4 gives its own peak resident set); "/h" loads the
profile and opens the manual, so it is the floor that the profile load alone costs. Prints
Markdown tables. Use a Release build without sanitizers (see docs/performance.md).
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
OUT = '/out:"C:\\report.xml"'
SELECTIONS = [
    ("load only (/h)", "/h"),
    ("/device", "/device " + OUT),
    ("/software", "/software " + OUT),
    ("both", OUT),
]


def generate(generator, folder, xp):
    argv = [generator, folder] + (["--xp"] if xp else [])
    result = subprocess.run(argv, stdout=subprocess.PIPE, check=True, text=True)
    return dict(item.split("=") for item in result.stdout.split())


def run_once(replay, profile, command_line, workdir):
    """One replay in a fresh C: folder; returns (wall s, cpu s, peak RSS kB, report bytes)."""
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(os.path.join(workdir, "sorvik"))
    started = time.perf_counter()
    process = subprocess.Popen([replay, profile, command_line], cwd=workdir,
                               stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    error = process.stderr.read()
    process.stderr.close()
    if process.returncode != 0:
        sys.exit("sorvik-replay %r exited %d: %s" % (command_line, process.returncode,
                                                      error.decode(errors="replace")))
    report = os.path.join(workdir, "report.xml")
    size = os.path.getsize(report) if os.path.exists(report) else 0
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss, size


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build", "release"),
                        help="the release preset's build folder (default build/release)")
    parser.add_argument("--runs", type=int, default=7)
    arguments = parser.parse_args()
    replay = os.path.join(arguments.build, "sorvik-replay")
    generator = os.path.join(arguments.build, "bench", "make_large_machine")
    for program in (replay, generator):
        if not os.access(program, os.X_OK):
            sys.exit("%s is missing: cmake --preset release && cmake --build --preset release"
                     % program)

    root = tempfile.mkdtemp(prefix="replay-bench-")
    try:
        print("sorvik-replay on the large machine, median of %d runs (min to max), 1 process "
              "per run; load average at start %.2f\n" % (arguments.runs, os.getloadavg()[0]))
        print("| generation | sections | wall ms | CPU ms | peak RSS MB | report KB |")
        print("|---|---|---:|---:|---:|---:|")
        for name, xp in (("Vista", False), ("XP", True)):
            profile = os.path.join(root, name)
            generate(generator, profile, xp)
            for label, command_line in SELECTIONS:
                runs = [run_once(replay, profile, command_line, os.path.join(root, "c"))
                        for _ in range(arguments.runs)]
                walls = sorted(run[0] * 1000 for run in runs)
                cpus = [run[1] * 1000 for run in runs]
                print("| %s | %s | %.0f (%.0f to %.0f) | %.0f | %.1f | %d |"
                      % (name, label, statistics.median(walls), walls[0], walls[-1],
                         statistics.median(cpus), max(run[2] for run in runs) / 1024.0,
                         runs[0][3] // 1024))
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Replays fixtures and compares every run with the fixture's expected files, byte for byte.

    expected_reports.py [--update] --replay SORVIK_REPLAY FIXTURE_DIR...

FIXTURE_DIR/expected/runs.txt holds one run per line, fields separated by tabs:
    case  exit-status  report-path  command-line
The report path is relative to the C: folder, bytes outside printable ASCII (and the backslash)
as \\xNN, "-" when the run leaves no file. The report is expected/CASE.xml, what the run prints
on stderr expected/CASE.err (absent when nothing). --update rewrites the expected files from
the runs, for review with git diff.
"""
import argparse
import difflib
import os
import sys

import profiles


def escape_path(raw):
    return "".join(chr(b) if 0x20 <= b < 0x7F and b != 0x5C else "\\x%02X" % b for b in raw)


def files_below(root):
    found = []
    for folder, _, names in os.walk(os.fsencode(root)):
        for name in names:
            found.append(os.path.relpath(os.path.join(folder, name), os.fsencode(root)))
    return sorted(found)


def run_case(replay, fixture, command_line):
    with profiles.replay(fixture, command_line, timeout=600, exe=replay) as done:
        left = files_below(done.c_root)
        report = None
        if len(left) == 1:
            with open(os.path.join(os.fsencode(done.c_root), left[0]), "rb") as f:
                report = f.read()
    stderr = done.stderr.replace(os.fsencode(fixture), b"FIXTURE")
    return done.returncode, [escape_path(p) for p in left], report, stderr


def read_optional(path):
    if not os.path.exists(path):
        return b""
    with open(path, "rb") as f:
        return f.read()


def write_optional(path, data):
    if data:
        with open(path, "wb") as f:
            f.write(data)
    elif os.path.exists(path):
        os.remove(path)


def diff(expected, actual, what):
    lines = difflib.unified_diff(expected.decode("latin-1").splitlines(),
                                 actual.decode("latin-1").splitlines(),
                                 "expected " + what, "replayed", lineterm="", n=1)
    return "\n".join(list(lines)[:40])


def check_fixture(replay, fixture, update):
    expected_dir = os.path.join(fixture, "expected")
    runs_path = os.path.join(expected_dir, "runs.txt")
    with open(runs_path, encoding="ascii") as f:
        lines = f.read().splitlines()
    failures, rewritten = [], []
    for number, line in enumerate(lines, 1):
        if not line.strip() or line.startswith("#"):
            rewritten.append(line)
            continue
        fields = line.split("\t")
        if len(fields) != 4:
            sys.exit("%s:%d: want 4 tab-separated fields" % (runs_path, number))
        case, status, path, command_line = fields
        got_status, left, report, stderr = run_case(replay, fixture, command_line)
        got_path = left[0] if len(left) == 1 else ("-" if not left else " ".join(left))
        report_file = os.path.join(expected_dir, case + ".xml")
        err_file = os.path.join(expected_dir, case + ".err")
        if update:
            rewritten.append("\t".join([case, str(got_status), got_path, command_line]))
            write_optional(report_file, report or b"")
            write_optional(err_file, stderr)
            continue
        where = "%s [%s] %r" % (os.path.basename(fixture), case, command_line)
        if str(got_status) != status:
            failures.append("%s: exit status %d, expected %s" % (where, got_status, status))
        if got_path != path:
            failures.append("%s: left %s, expected %s" % (where, got_path, path))
        expected_report = read_optional(report_file)
        if (report or b"") != expected_report:
            failures.append("%s: report differs\n%s" % (where, diff(expected_report, report or b"", case + ".xml")))
        expected_err = read_optional(err_file)
        if stderr != expected_err:
            failures.append("%s: stderr differs\n%s" % (where, diff(expected_err, stderr, case + ".err")))
    if update:
        with open(runs_path, "w", encoding="ascii") as f:
            f.write("\n".join(rewritten) + "\n")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--replay", required=True)
    parser.add_argument("--update", action="store_true")
    parser.add_argument("fixtures", nargs="+")
    options = parser.parse_args()
    failures = []
    for fixture in options.fixtures:
        failures += check_fixture(os.path.abspath(options.replay), os.path.abspath(fixture),
                                  options.update)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Checks sorvik reports against the report contract.

    python3 tests/docs/reportcheck.py [--sections device,software] REPORT.xml...

Each report is checked for
- its byte form: UTF-8 byte-order mark, the XML declaration as the first line, CR LF line ends;
- docs/report.xsd, with xmllint;
- what the schema cannot say: the size attributes of fixed drives only, and statistics that
  agree with the installed elements;
- with --sections, exactly the optional sections given ("device", "software"; "" for none),
  software standing for software and statistics together.

Prints one line per problem and exits 1 when any report has one, else prints "ok" lines and
exits 0. Other test programs (the Wine end-to-end tests) import check_report() or run this file.
"""
import argparse
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCHEMA = os.path.join(SOURCE_DIR, "docs", "report.xsd")

BOM = b"\xef\xbb\xbf"
DECLARATION = b'<?xml version="1.0" encoding="utf-8"?>\r\n'
TYPES = ("application", "update", "component")
STAT_OF_TYPE = {
    "application": "numberOfApplication",
    "update": "numberOfUpdate",
    "component": "numberOfComponent",
}


def check_form(data):
    """Problems with the bytes of the file that no XML parser reports."""
    problems = []
    if not data.startswith(BOM):
        problems.append("does not start with the UTF-8 byte-order mark")
    elif not data[len(BOM):].startswith(DECLARATION):
        problems.append("first line is not the XML declaration ended by CR LF")
    bare = sum(1 for i, b in enumerate(data) if b == 0x0A and (i == 0 or data[i - 1] != 0x0D))
    if bare:
        problems.append("%d line feed(s) without a carriage return before them" % bare)
    if not data.endswith(b"</sorvik>\r\n"):
        problems.append('does not end with the line "</sorvik>" and CR LF')
    return problems


def check_schema(path, schema=SCHEMA):
    result = subprocess.run(["xmllint", "--noout", "--schema", schema, path],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode == 0:
        return []
    errors = result.stderr.decode("utf-8", "replace")
    lines = [line for line in errors.splitlines() if line.strip()]
    return ["schema: " + line for line in lines if not line.endswith("fails to validate")] or [
        "schema: xmllint exit status %d" % result.returncode]


def check_rules(root):
    """The rules that XML Schema 1.0 cannot express."""
    problems = []
    for drive in root.iterfind("device/disk/drive"):
        kind = drive.get("type")
        sized = [name for name in ("totalSpaceMb", "availableSpaceMb") if name in drive.attrib]
        if kind == "fixed" and len(sized) != 2:
            problems.append("fixed drive %s lacks its sizes" % drive.get("letter"))
        if kind != "fixed" and sized:
            problems.append("%s drive %s carries %s"
                            % (kind, drive.get("letter"), ", ".join(sized)))
    software = root.find("software")
    statistics = root.find("statistics")
    if software is not None and statistics is not None:
        installed = software.findall("installed")
        try:
            numbers = {child.tag: int(child.text or "") for child in statistics}
        except ValueError:
            return problems  # the schema reports the malformed number
        if numbers.get("total") != len(installed):
            problems.append("statistics total %s but %d installed elements"
                            % (numbers.get("total"), len(installed)))
        if numbers.get("total") != sum(numbers.get(STAT_OF_TYPE[t], 0) for t in TYPES):
            problems.append("statistics total is not the sum of the three counts")
        for kind in TYPES:
            written = sum(1 for item in installed if item.get("type") == kind)
            if numbers.get(STAT_OF_TYPE[kind]) != written:
                problems.append("%s %s but %d installed elements of type %s"
                                % (STAT_OF_TYPE[kind], numbers.get(STAT_OF_TYPE[kind]), written,
                                   kind))
    return problems


def check_sections(root, sections):
    want = ["computer"]
    if "device" in sections:
        want.append("device")
    if "software" in sections:
        want += ["software", "statistics"]
    have = [child.tag for child in root]
    if have != want:
        return ["sections %s, expected %s" % (" ".join(have), " ".join(want))]
    return []


def check_report(path, sections=None, schema=SCHEMA):
    """Every problem found in the report at path; an empty list for a sound report.

    sections: None to accept any selection, else an iterable of "device" and/or "software".
    """
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        return ["cannot read: %s" % error]
    problems = check_form(data)
    problems += check_schema(path, schema)
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        return problems + ["not well-formed: %s" % error]
    problems += check_rules(root)
    if sections is not None:
        problems += check_sections(root, set(sections))
    return problems


def sections_for(command_line):
    """The optional sections that a command line selects (switches are plain substrings)."""
    device = "/device" in command_line
    software = "/software" in command_line
    if not device and not software:
        device = software = True
    return [name for name, on in (("device", device), ("software", software)) if on]


def main(argv):
    parser = argparse.ArgumentParser(description="Check sorvik reports against the contract.")
    parser.add_argument("--sections", help='expected optional sections, e.g. "device,software"')
    parser.add_argument("--schema", default=SCHEMA)
    parser.add_argument("reports", nargs="+")
    args = parser.parse_args(argv)
    sections = None
    if args.sections is not None:
        sections = [name for name in args.sections.split(",") if name]
    failed = False
    for path in args.reports:
        problems = check_report(path, sections, args.schema)
        for problem in problems:
            print("%s: %s" % (path, problem))
        if problems:
            failed = True
        else:
            print("%s: ok" % path)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

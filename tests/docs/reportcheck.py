#!/usr/bin/env python3
"""Checks sorvik reports against the contract: byte form (byte-order mark, declaration, CR LF),
docs/report.xsd (xmllint), sizes on fixed drives only, statistics that agree with the installed
elements, the elements of 3.1 in a 3.1.0 report and in no other, and with --sections exactly the
optional sections given ("" for none).

    python3 tests/docs/reportcheck.py [--sections device,software] REPORT.xml...
"""
import argparse
import os
import subprocess
import sys
import xml.etree.ElementTree as ET

SOURCE_DIR = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCHEMA = os.path.join(SOURCE_DIR, "docs", "report.xsd")
# Optional in the schema so that it reads 3.0.1 reports too, but always there in 3.1.0.
ADDED_IN_3_1 = ("computer/os/getVersionEx/buildNumber", "computer/os/displayVersion",
                "computer/os/updateRevision", "computer/os/architecture", "computer/system")


def check_form(data):
    """Problems with the bytes of the file that no XML parser reports."""
    bare = data.count(b"\n") - data.count(b"\r\n")
    return [problem for wrong, problem in (
        (not data.startswith(b"\xef\xbb\xbf"), "does not start with the UTF-8 byte-order mark"),
        (not data[3:].startswith(b'<?xml version="1.0" encoding="utf-8"?>\r\n'),
         "first line is not the XML declaration ended by CR LF"),
        (bare, "%d line feed(s) without a carriage return before them" % bare),
        (not data.endswith(b"</sorvik>\r\n"), 'does not end with the line "</sorvik>" and CR LF'))
        if wrong]


def check_schema(path, schema):
    result = subprocess.run(["xmllint", "--noout", "--schema", schema, path],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if result.returncode == 0:
        return []
    lines = result.stderr.decode("utf-8", "replace").splitlines()
    return ["schema: " + line for line in lines
            if line.strip() and not line.endswith("fails to validate")] or [
        "schema: xmllint exit status %d" % result.returncode]


def check_rules(root):
    """The rules that XML Schema 1.0 cannot express."""
    version, problems = root.get("version"), []
    present = [path for path in ADDED_IN_3_1 if root.find(path) is not None]
    odd = [path for path in ADDED_IN_3_1 if (path in present) != (version == "3.1.0")]
    if odd:
        problems.append("version %s %s %s" % (version, "without" if version == "3.1.0" else "with",
                                                ", ".join(odd)))
    for drive in root.iterfind("device/disk/drive"):
        kind = drive.get("type")
        sized = [name for name in ("totalSpaceMb", "availableSpaceMb") if name in drive.attrib]
        if (kind == "fixed") != (len(sized) == 2) or (kind != "fixed" and sized):
            problems.append("%s drive %s with sizes %s" % (kind, drive.get("letter"), sized))
    statistics = root.find("statistics")
    if root.find("software") is not None and statistics is not None:
        types = [item.get("type") for item in root.iterfind("software/installed")]
        counts = [("total", len(types))] + [("numberOf" + kind.capitalize(), types.count(kind))
                                            for kind in ("application", "update", "component")]
        for tag, count in counts:
            if statistics.findtext(tag, "").strip() != str(count):
                problems.append("statistics %s %s but %d installed elements"
                                % (tag, statistics.findtext(tag), count))
    return problems


def check_report(path, sections=None, schema=SCHEMA):
    """The report's problems; sections: None for any, else some of "device", "software"."""
    try:
        with open(path, "rb") as stream:
            data = stream.read()
    except OSError as error:
        return ["cannot read: %s" % error]
    problems = check_form(data) + check_schema(path, schema)
    try:
        root = ET.fromstring(data)
    except ET.ParseError as error:
        return problems + ["not well-formed: %s" % error]
    problems += check_rules(root)
    if sections is not None:
        want = ["computer"] + (["device"] if "device" in sections else []) + (
            ["software", "statistics"] if "software" in sections else [])
        have = [child.tag for child in root]
        if have != want:
            problems.append("sections %s, expected %s" % (" ".join(have), " ".join(want)))
    return problems


def sections_for(command_line):
    """The optional sections that a command line selects (switches are plain substrings)."""
    device, software = "/device" in command_line, "/software" in command_line
    if not device and not software:
        device = software = True
    return [name for name, on in (("device", device), ("software", software)) if on]


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sections", help='expected optional sections, e.g. "device,software"')
    parser.add_argument("reports", nargs="+")
    args = parser.parse_args(argv)
    sections = None if args.sections is None else [s for s in args.sections.split(",") if s]
    results = [(path, check_report(path, sections)) for path in args.reports]
    for path, problems in results:
        print("\n".join("%s: %s" % (path, problem) for problem in problems or ["ok"]))
    return 1 if any(problems for _, problems in results) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

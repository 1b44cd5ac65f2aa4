#!/usr/bin/env python3
"""The report contract: docs/report.xsd and reportcheck accept what the program writes and
reject what it never writes.

The sound reports are the hand-made docs/example-report.xml, its legitimate variants (empty
forms, section selections) and, when SORVIK_REPLAY names the built sorvik-replay, every report
it writes for every profile in tests/fixtures with each switch combination.
"""
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reportcheck  # noqa: E402

SOURCE_DIR = reportcheck.SOURCE_DIR
EXAMPLE = os.path.join(SOURCE_DIR, "docs", "example-report.xml")
FIXTURES = os.path.join(SOURCE_DIR, "tests", "fixtures")
COMMAND_LINES = ["", "/device", "/software", "/device /software"]


def example_text():
    with open(EXAMPLE, "rb") as stream:
        return stream.read().decode("utf-8")


def replace_once(text, old, new):
    if text.count(old) < 1:
        raise AssertionError("the example no longer holds %r" % old)
    return text.replace(old, new, 1)


def remove_section(text, name):
    return re.sub(r"<%s>.*?</%s>\r\n" % (name, name), "", text, flags=re.S)


def swap_lines(text, first, second):
    """Swaps the first line that holds first with the next line that holds second."""
    lines = text.split("\r\n")
    i = next(n for n, line in enumerate(lines) if first in line)
    j = next(n for n in range(i + 1, len(lines)) if second in lines[n])
    lines[i], lines[j] = lines[j], lines[i]
    return "\r\n".join(lines)


class ReportFiles(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="sorvik-docs-")
        self.addCleanup(shutil.rmtree, self.folder)

    def write(self, text, name="report.xml", raw=None):
        path = os.path.join(self.folder, name)
        with open(path, "wb") as stream:
            stream.write(raw if raw is not None else text.encode("utf-8"))
        return path

    def assertSound(self, text, sections=None):
        problems = reportcheck.check_report(self.write(text), sections)
        self.assertEqual(problems, [])

    def assertBroken(self, text, expected, raw=None):
        problems = reportcheck.check_report(self.write(text, raw=raw))
        self.assertTrue(problems, "accepted a broken report")
        self.assertTrue(any(expected in problem for problem in problems),
                        "no problem mentions %r: %s" % (expected, problems))


class ExampleReport(ReportFiles):
    def test_example_is_sound(self):
        self.assertEqual(reportcheck.check_report(EXAMPLE, ["device", "software"]), [])

    def test_selected_sections_are_sound(self):
        text = example_text()
        self.assertSound(remove_section(remove_section(text, "software"), "statistics"),
                         ["device"])
        self.assertSound(remove_section(text, "device"), ["software"])

    def test_empty_forms_are_sound(self):
        text = example_text()
        for element in ("ip", "computerName", "userName", "fullName", "productId", "csdVersion",
                        "cpu", "ramMb", "monitor", "mouse", "keyboard", "cdrom", "video",
                        "media", "network", "defaultPrinter", "usb"):
            text = re.sub(r"<%s>[^<]*</%s>" % (element, element), "<%s />" % element, text)
        for element in ("name", "version", "publisher", "location", "installDate", "size",
                        "registeredCompany", "registeredOwner", "productId"):
            text = re.sub(r"<%s>[^<]*</%s>" % (element, element), "<%s />" % element, text)
        self.assertSound(text)

    def test_failed_version_read_and_empty_scan_are_sound(self):
        text = example_text()
        for element in ("majorVersion", "minorVersion", "platformId"):
            text = re.sub(r"<%s>\d+</" % element, "<%s>0</" % element, text)
        text = re.sub(r"<software>.*</software>", "<software>\r\n</software>", text, flags=re.S)
        text = re.sub(r"<(total|numberOf\w+)>\d+</", r"<\1>0</", text)
        self.assertSound(text)

    def test_disk_edges_are_sound(self):
        text = example_text()
        no_drives = re.sub(r"(<disk [^>]*>\r\n).*?(\t</disk>)", r"\1\2", text, flags=re.S)
        no_drives = re.sub(r'<disk totalSpaceMb="\d+" availableSpaceMb="\d+"',
                           '<disk totalSpaceMb="0" availableSpaceMb="0"', no_drives)
        self.assertSound(no_drives)
        self.assertSound(re.sub(r"\t<disk .*?</disk>\r\n", "", text, flags=re.S))
        big = replace_once(text, 'letter="C" totalSpaceMb="38146"',
                           'letter="C" totalSpaceMb="17592186044415"')
        self.assertSound(big)

    def test_values_spanning_lines_and_escapes_are_sound(self):
        text = replace_once(example_text(), "<cpu>Example Processor 2.80GHz;",
                            "<cpu>Example\t&lt;Processor&gt; &quot;2.80GHz&quot;\r\n\u00e9\ufffd;")
        self.assertSound(text)


class Documentation(unittest.TestCase):
    """docs/report.md stays in step with the schema and the example file."""

    @classmethod
    def setUpClass(cls):
        with open(os.path.join(SOURCE_DIR, "docs", "report.md"), encoding="utf-8") as stream:
            cls.page = stream.read()

    def test_page_shows_the_example_file(self):
        block = re.search(r"```xml\n(.*?)```", self.page, flags=re.S)
        self.assertIsNotNone(block, "report.md has no xml example")
        self.assertEqual(block.group(1), example_text().lstrip("\ufeff").replace("\r\n", "\n"))

    def test_page_names_every_element_and_attribute(self):
        schema = ET.parse(reportcheck.SCHEMA).getroot()
        xs = "{http://www.w3.org/2001/XMLSchema}"
        names = {node.get("name") for tag in ("element", "attribute")
                 for node in schema.iter(xs + tag)}
        missing = sorted(name for name in names if "`%s`" % name not in self.page
                         and "/%s`" % name not in self.page and "@%s`" % name not in self.page)
        self.assertEqual(missing, [])


class BrokenReports(ReportFiles):
    """Each mutation is something the program never writes; the contract must refuse it."""

    def test_structure(self):
        text = example_text()
        cases = [
            ("missing element", text.replace("\t<userName>anna</userName>\r\n", ""), "userName"),
            ("missing os", re.sub(r"\t<os>.*</os>\r\n", "", text, flags=re.S), "os"),
            ("missing device list", text.replace("\t<scsi />\r\n", ""), "scsi"),
            ("missing installed field",
             text.replace("\t\t<installDate />\r\n", "", 1), "installDate"),
            ("wrong order in installed",
             swap_lines(text, "<version>2.1</version>", "<publisher>"), "publisher"),
            ("wrong order in device", swap_lines(text, "<mouse>", "<keyboard>"), "keyboard"),
            ("statistics before software",
             re.sub(r"(<software>.*</software>\r\n)(<statistics>.*</statistics>\r\n)",
                    r"\2\1", text, flags=re.S), "statistics"),
            ("software without statistics", remove_section(text, "statistics"), "statistics"),
            ("statistics without software", remove_section(text, "software"), "statistics"),
            ("computer only",
             remove_section(remove_section(remove_section(text, "device"), "software"),
                            "statistics"), "device, software"),
            ("unknown element", text.replace("<usb>", "<firewire />\r\n\t<usb>"), "firewire"),
            ("element inside a value", text.replace("<cpu>Example", "<cpu><b>x</b>Example"), "cpu"),
            ("other root", text.replace("<sorvik ", "<inventory ").replace("</sorvik>",
                                                                          "</inventory>"),
             "inventory"),
            ("too many drives", text.replace(
                '\t\t<drive type="cd" letter="E" />\r\n',
                "".join('\t\t<drive type="cd" letter="%s" />\r\n' % chr(ord("E") + i)
                        for i in range(22)) + '\t\t<drive type="cd" letter="A" />\r\n'),
             "drive"),
        ]
        self.check(cases)

    def test_values(self):
        text = example_text()
        cases = [
            ("bad installed type", text.replace('type="component"', 'type="program"'), "program"),
            ("installed without type", text.replace('<installed type="update">', "<installed>"),
             "type"),
            ("bad drive type", text.replace('type="cd"', 'type="network"'), "network"),
            ("lower-case drive letter", text.replace('letter="A"', 'letter="a"'), "letter"),
            ("two entries for a letter", text.replace('letter="E"', 'letter="A"'),
             "oneEntryPerLetter"),
            ("non-number drive size", text.replace('totalSpaceMb="38146"', 'totalSpaceMb="37G"'),
             "totalSpaceMb"),
            ("negative drive size",
             text.replace('availableSpaceMb="20480"', 'availableSpaceMb="-1"'),
             "availableSpaceMb"),
            ("non-number disk sum", text.replace('<disk totalSpaceMb="76293"',
                                                 '<disk totalSpaceMb="76,293"'), "totalSpaceMb"),
            ("disk without sums", text.replace(' availableSpaceMb="41210">', ">"),
             "availableSpaceMb"),
            ("non-number ramMb", text.replace("<ramMb>1024</ramMb>", "<ramMb>1 GB</ramMb>"),
             "ramMb"),
            ("ramMb with fraction", text.replace("<ramMb>1024</ramMb>", "<ramMb>1023.5</ramMb>"),
             "ramMb"),
            ("empty majorVersion", text.replace("<majorVersion>5</majorVersion>",
                                                "<majorVersion />"), "majorVersion"),
            ("padded platformId", text.replace("<platformId>2</platformId>",
                                               "<platformId>02</platformId>"), "platformId"),
            ("non-number statistic", text.replace("<total>5</total>", "<total>five</total>"),
             "total"),
            ("negative statistic", text.replace("<numberOfUpdate>2</", "<numberOfUpdate>-2</"),
             "numberOfUpdate"),
            ("other version", text.replace('version="3.0.1"', 'version="3.0.2"'), "version"),
            ("no version", text.replace(' version="3.0.1"', ""), "version"),
            ("other time form", text.replace("2007/05/01 09:05:07", "2007-05-01T09:05:07"),
             "creationDateTime"),
            ("two-digit year", text.replace("2007/05/01 09:05:07", "07/05/01 09:05:07"),
             "creationDateTime"),
            ("host name for ip", text.replace("<ip>192.168.0.7</ip>", "<ip>officepc</ip>"), "ip"),
            ("version beyond its field", text.replace("<version>2.1</version>",
                                                      "<version>%s</version>" % ("9" * 31)),
             "version"),
            ("device list beyond the buffer",
             text.replace("<modem />", "<modem>%s</modem>" % ("m" * 2049)), "modem"),
        ]
        self.check(cases)

    def test_rules_beyond_the_schema(self):
        text = example_text()
        cases = [
            ("fixed drive without sizes",
             text.replace('letter="C" totalSpaceMb="38146" availableSpaceMb="20480"',
                          'letter="C"'), "fixed drive C"),
            ("cd drive with sizes",
             text.replace('letter="E" />', 'letter="E" totalSpaceMb="650" />'), "cd drive E"),
            ("total not the count of installed", text.replace("<total>5</total>",
                                                              "<total>4</total>"), "total"),
            ("count of a type",
             text.replace("<numberOfApplication>2</", "<numberOfApplication>3</")
                 .replace("<numberOfComponent>1</", "<numberOfComponent>0</"),
             "numberOfApplication"),
        ]
        self.check(cases)

    def test_byte_form(self):
        text = example_text()
        body = text.encode("utf-8")
        cases = [
            ("no byte-order mark", body[3:], "byte-order mark"),
            ("LF line ends", body.replace(b"\r\n", b"\n"), "line feed"),
            ("latin-1 bytes", body.replace("M\u00fcller".encode("utf-8"), b"M\xfcller"),
             "well-formed"),
            ("cut short", body[:-40], "</sorvik>"),
        ]
        for name, raw, expected in cases:
            with self.subTest(name):
                self.assertBroken("", expected, raw=raw)

    def check(self, cases):
        for name, text, expected in cases:
            with self.subTest(name):
                self.assertBroken(text, expected)


def profiles():
    return sorted(os.path.dirname(path)
                  for path in glob.glob(os.path.join(FIXTURES, "**", "machine.ini"),
                                        recursive=True))


class ProfileRefused(Exception):
    """sorvik-replay would not load the profile (some fixtures are broken on purpose)."""


def ini_value(path, section, name, default):
    """A value of machine.ini (sections and names compare without regard to case)."""
    current = None
    with open(path, encoding="latin-1") as stream:
        for line in stream:
            line = line.strip()
            if line.startswith("[") and line.endswith("]"):
                current = line[1:-1].strip().lower()
            elif current == section.lower() and "=" in line and line[0] not in ";#":
                key, value = line.split("=", 1)
                if key.strip().lower() == name.lower():
                    return value.strip().strip('"')
    return default


def host_folder(drive_c, windows_path):
    """The host folder of a C:\\ path, or None for other drives."""
    if not windows_path.upper().startswith("C:"):
        return None
    return os.path.join(drive_c, *[part for part in windows_path[2:].split("\\") if part])


def run_replay(replay, profile, command_line, folder):
    """Runs sorvik-replay on a copy of the profile, with drive C: in folder/c, and returns the
    reports it wrote anywhere below folder. The executable's folder and the temporary folder
    are made first, as they exist on a real Windows machine."""
    copy = os.path.join(folder, "profile")
    shutil.copytree(profile, copy)
    drive_c = os.path.join(folder, "c")
    os.mkdir(drive_c)
    ini = os.path.join(copy, "machine.ini")
    module = ini_value(ini, "files", "modulePath", "C:\\sorvik\\sorvik.exe")
    temp = ini_value(ini, "files", "tempPath", "C:\\TEMP\\")
    for needed in (host_folder(drive_c, module.rsplit("\\", 1)[0]), host_folder(drive_c, temp)):
        if needed:
            os.makedirs(needed, exist_ok=True)
    before = set(glob.glob(os.path.join(folder, "**", "*.xml"), recursive=True))
    arguments = [replay, copy] + command_line.split()
    result = subprocess.run(arguments, cwd=drive_c, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=300)
    if result.returncode == 2:
        raise ProfileRefused(result.stderr.decode("utf-8", "replace").strip())
    if result.returncode != 0:
        errors = result.stderr.decode("utf-8", "replace")[-2000:]
        raise AssertionError("%s exited %d: %s" % (" ".join(arguments), result.returncode, errors))
    after = set(glob.glob(os.path.join(folder, "**", "*.xml"), recursive=True))
    return sorted(after - before)


@unittest.skipUnless(os.environ.get("SORVIK_REPLAY"), "SORVIK_REPLAY is not set")
class ReplayReports(unittest.TestCase):
    def test_every_profile_and_switch_combination(self):
        replay = os.environ["SORVIK_REPLAY"]
        found = profiles()
        self.assertTrue(found, "no profile (machine.ini) under %s" % FIXTURES)
        checked = 0
        for profile in found:
            for command_line in COMMAND_LINES:
                name = "%s %r" % (os.path.relpath(profile, FIXTURES), command_line)
                with self.subTest(name):
                    folder = tempfile.mkdtemp(prefix="sorvik-replay-")
                    try:
                        reports = run_replay(replay, profile, command_line, folder)
                        self.assertEqual(len(reports), 1, "reports written: %s" % reports)
                        sections = reportcheck.sections_for(command_line)
                        self.assertEqual(reportcheck.check_report(reports[0], sections), [])
                        checked += 1
                    except ProfileRefused as refusal:
                        self.skipTest("not a machine: %s" % refusal)
                    finally:
                        shutil.rmtree(folder)
        self.assertGreater(checked, 0, "no profile gave a report")


if __name__ == "__main__":
    unittest.main(verbosity=2)

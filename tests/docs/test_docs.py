#!/usr/bin/env python3
"""Contract: docs/report.xsd and reportcheck accept what the program writes (the example, the
fixtures' expected reports) and refuse what it never writes. Pages: docs/report.xsl shows it."""
import atexit
import glob
import html
import os
import re
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reportcheck  # noqa: E402

EXAMPLE = os.path.join(reportcheck.SOURCE_DIR, "docs", "example-report.xml")
with open(EXAMPLE, "rb") as example_stream:
    TEXT = example_stream.read().decode("utf-8")


def expected_reports():
    """(report, sections its command line selects) of every fixture but those that cut the
    report short on purpose (a [fault] writeLimit)."""
    pattern = os.path.join(reportcheck.SOURCE_DIR, "tests", "fixtures", "*", "expected")
    for folder in sorted(os.path.dirname(path) for path in glob.glob(pattern)):
        with open(os.path.join(folder, "machine.ini"), encoding="latin-1") as stream:
            if re.search(r"(?im)^\s*writeLimit\s*=", stream.read()):
                continue
        with open(os.path.join(folder, "expected", "runs.txt"), encoding="utf-8") as runs:
            commands = {f[0]: f[-1].rstrip("\n") for f in (line.split("\t") for line in runs)}
        for report in sorted(glob.glob(os.path.join(folder, "expected", "*.xml"))):
            yield report, reportcheck.sections_for(commands[os.path.basename(report)[:-4]])


def without(text, *sections):
    return re.sub(r"<(%s)>.*?</\1>\r\n" % "|".join(sections), "", text, flags=re.S)


def as_3_0_1(text):
    """The example as the previous release wrote it: without the elements 3.1 added."""
    text = re.sub(r"\t<system>.*?</system>\r\n", "", text, flags=re.S)
    text = re.sub(r"\t+<(buildNumber|displayVersion|updateRevision|architecture)\b.*?\r\n", "",
                  text)
    return text.replace('version="3.1.0"', 'version="3.0.1"')


def written(data):
    with tempfile.NamedTemporaryFile(suffix=".xml", delete=False) as stream:
        stream.write(data if isinstance(data, bytes) else data.encode("utf-8"))
    atexit.register(os.remove, stream.name)
    return stream.name


EMPTY = ("ip|computerName|userName|fullName|productId|csdVersion|cpu|ramMb|monitor|mouse|"
         "keyboard|cdrom|video|media|network|defaultPrinter|usb|name|version|publisher|location|"
         "installDate|size|registeredCompany|registeredOwner")
BROKEN = [  # (text of the example, replaced by, what a problem mentions)
    ("\t<userName>anna</userName>\r\n", "", "userName"),
    ("<usb>", "<firewire />\r\n\t<usb>", "firewire"),
    ('type="component"', 'type="program"', "program"),
    ('letter="E"', 'letter="A"', "oneEntryPerLetter"),
    ('totalSpaceMb="38146"', 'totalSpaceMb="37G"', "totalSpaceMb"),
    ("<ramMb>1024</ramMb>", "<ramMb>1023.5</ramMb>", "ramMb"),
    ("<platformId>2</platformId>", "<platformId>02</platformId>", "platformId"),
    ("<version>2.1</version>", "<version>%s</version>" % ("9" * 31), "version"),
    ('letter="C" totalSpaceMb="38146" availableSpaceMb="20480"', 'letter="C"', "fixed drive C"),
    ('letter="E" />', 'letter="E" totalSpaceMb="650" />', "cd drive E"),
    ("<total>5</total>", "<total>4</total>", "total"),
    ("<numberOfApplication>2</", "<numberOfApplication>3</", "numberOfApplication"),
    ("<uuid />", "<uuid>4c4c4544-0052-3410-8050-b4c04f4e3732</uuid>", "uuid"),
    ("<updateRevision />", "<updateRevision>x</updateRevision>", "updateRevision"),
    ("\t\t<architecture>x86</architecture>\r\n", "", "architecture"),
    ('version="3.1.0"', 'version="3.0.1"', "version 3.0.1 with"),
    ('version="3.1.0"', 'version="3.1"', "version"),
]


class Contract(unittest.TestCase):
    def test_what_the_program_writes_is_sound(self):
        for report, sections in [(EXAMPLE, ["device", "software"])] + list(expected_reports()):
            with self.subTest(os.path.relpath(report, reportcheck.SOURCE_DIR)):
                self.assertEqual(reportcheck.check_report(report, sections), [])
        for text in (without(TEXT, "software", "statistics"), without(TEXT, "device"),
                     re.sub(r"<(%s)>[^<]*</\1>" % EMPTY, r"<\1 />", TEXT), as_3_0_1(TEXT)):
            self.assertEqual(reportcheck.check_report(written(text)), [])

    def test_the_page_shows_the_example(self):
        page = os.path.join(reportcheck.SOURCE_DIR, "docs", "report.md")
        with open(page, encoding="utf-8") as md:
            shown = re.search(r"```xml\n(<\?xml.*?)```", md.read(), re.S).group(1)
        self.assertEqual(shown, TEXT.lstrip("\ufeff").replace("\r\n", "\n"))

    def test_what_the_program_never_writes_is_refused(self):
        data = TEXT.encode("utf-8")
        cases = [(TEXT.replace(old, new, 1), mention) for old, new, mention in BROKEN] + [
            (without(TEXT, "statistics"), "statistics"), (without(TEXT, "software"), "statistics"),
            (data[3:], "byte-order mark"), (data.replace(b"\r\n", b"\n"), "line feed"),
            (data.replace("M\u00fcller".encode(), b"M\xfcller"), "well-formed"),
            (data[:-40], "</sorvik>"),
            (as_3_0_1(TEXT).replace("3.0.1", "3.1.0"), "version 3.1.0 without"),
            (re.sub(r"\t<system>.*?</system>\r\n", "", TEXT, flags=re.S),
             "without computer/system")]
        for broken, mention in cases:
            with self.subTest(mention):
                self.assertNotIn(broken, (TEXT, data), "the example no longer holds the text")
                problems = reportcheck.check_report(written(broken))
                self.assertTrue(any(mention in problem for problem in problems), problems)


def text(fragment):
    return re.sub(r"\s+", " ", html.unescape(re.sub(r"<[^>]*>", " ", fragment))).strip()


def render(report):
    """Title, text and table rows by "id/part" of the page of a report (a path or a text)."""
    if not os.path.exists(report):
        report = written(report)
    result = subprocess.run(["xsltproc", os.path.join(reportcheck.SOURCE_DIR, "docs", "report.xsl"),
                             report], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    assert result.returncode == 0 and not result.stderr, result.stderr.decode("utf-8", "replace")
    page = result.stdout.decode("utf-8")
    tables = {}
    for name, body in re.findall(r'<table[^>]* id="(\w+)">(.*?)</table>', page, flags=re.S):
        for part, rows in re.findall(r"<(t\w{4})>(.*?)</\1>", body, re.S) or [("", body)]:
            tables[name + "/" + part] = [
                [text(cell) for cell in re.findall(r"<t[dh][^>]*>(.*?)</t[dh]>", row, re.S)]
                for row in re.findall(r'<tr(?! class="empty")[^>]*>(.*?)</tr>', rows, re.S)]
    return text(re.search(r"<title>(.*?)</title>", page, re.S).group(1)), text(
        re.sub(r"<(script|style)>.*?</\1>", "", page, flags=re.S)), tables


SOFTWARE, DRIVES, HARDWARE = "software/tbody", "drives/tbody", "hardware/tbody"


# A Windows 10 machine whose board maker left a placeholder in place of the board's serial.
MACHINE = {"manufacturer": "Example Computers Inc.", "model": "Example Desk 800 G5",
           "serialNumber": "CZC1234XYZ", "uuid": "4C4C4544-0052-3410-8050-B4C04F4E3732",
           "boardSerialNumber": "To Be Filled By O.E.M.", "chassisType": "Desktop",
           "assetTag": "", "biosVendor": "", "biosVersion": "R01 Ver. 02.11.00",
           "biosDate": "08/15/2023"}
WINDOWS_10 = {"majorVersion": "10", "minorVersion": "0", "csdVersion": "", "buildNumber": "19045",
              "displayVersion": "22H2", "updateRevision": "3803", "architecture": "x64"}


def with_values(text, values):
    for name, value in values.items():
        text, count = re.subn(r"<%s( />|>[^<]*</%s>)" % (name, name), "<%s>%s</%s>" % (
            name, value, name) if value else "<%s />" % name, text)
        assert count == 1, name
    return text


class Pages(unittest.TestCase):
    def test_machine(self):
        _, _, tables = render(with_values(TEXT, dict(MACHINE, **WINDOWS_10)))
        self.assertEqual(tables["machine/"], [
            ["Manufacturer", "Example Computers Inc."], ["Model", "Example Desk 800 G5"],
            ["Serial number", "CZC1234XYZ"], ["UUID", "4C4C4544-0052-3410-8050-B4C04F4E3732"],
            ["Board serial number", "To Be Filled By O.E.M. (a placeholder, not a real value)"],
            ["Chassis", "Desktop"], ["Asset tag", "not given"],
            ["BIOS", "R01 Ver. 02.11.00, 08/15/2023"],
            ["Windows build", "10.0.19045.3803, 22H2, x64"]])
        _, _, tables = render(with_values(TEXT, {"displayVersion": "", "updateRevision": "",
                                                 "architecture": "ARM64"}))
        self.assertEqual(dict(tables["machine/"])["Windows build"], "5.1.2600, ARM64")


    def test_example_page(self):
        title, _, tables = render(EXAMPLE)
        self.assertEqual(title, "Inventory of OFFICE-PC")
        self.assertEqual(dict(tables["computer/"])["Version"], "5.1, platform 2, Service Pack 2")
        machine = dict(tables["machine/"])
        self.assertEqual((machine["Serial number"], machine["BIOS"], machine["Windows build"]),
                         ("not given", "EXMPL - 1072009, 03/15/05", "5.1.2600, x86"))
        hardware = dict(tables[HARDWARE])
        self.assertEqual(len(hardware), 13)  # processor, memory and the eleven device lists
        self.assertEqual((hardware["Memory"], hardware["Default printer"], hardware["Modem"]),
                         ("1024 MB", "Office Laser & Copier", "none found"))
        self.assertEqual([row[:3] for row in tables["drives/tbody"]], [
            ["A:", "removable", ""], ["C:", "hard disk", "38146"], ["D:", "hard disk", "38147"],
            ["E:", "CD/DVD", ""]])
        self.assertEqual(tables["drives/tfoot"], [["All hard disks", "76293", "41210", "54 %"]])
        self.assertEqual([row[:2] for row in tables["software/tbody"]], [
            ["application", "Example Editor"], ["application", "Example Office Suite"],
            ["update", "+Hotfix for Windows XP (KB100002)"],
            ["update", "Security Update for Windows XP (KB100001)"],
            ["component", "Example Runtime Library"]])
        self.assertEqual(tables["statistics/"][0], ["Products", "5"])

    def test_variants(self):
        for switch, gone, table in (("device", ("software", "statistics"), "software"),
                                    ("software", ("device",), "hardware")):
            _, page, tables = render(without(TEXT, *gone))
            self.assertIn("Not collected: the report was made with /%s only." % switch, page)
            self.assertNotIn(table + "/tbody", tables)
        _, _, tables = render(TEXT.replace("Example Editor<", "&lt;script&gt;x&lt;/script&gt;<"))
        self.assertIn(["application", "<script>x</script>"], [r[:2] for r in tables[SOFTWARE]])
        _, page, tables = render(as_3_0_1(TEXT))
        self.assertIn("Not in this report: reports before version 3.1", page)
        self.assertNotIn("machine/", tables)
        self.assertEqual(dict(tables["computer/"])["Version"], "5.1, platform 2, Service Pack 2")
        empty = re.sub(r"<(ip|computerName|ramMb|cpu)>[^<]*</\1>", r"<\1 />", TEXT)
        empty = re.sub(r"(<disk [^>]*>\r\n).*?(\t</disk>)", r"\1\2", empty, flags=re.S)
        empty = re.sub(r"<software>.*</software>", "<software>\r\n</software>", empty, flags=re.S)
        title, page, tables = render(empty)
        self.assertEqual(title, "Inventory of unknown")
        self.assertEqual((dict(tables[HARDWARE])["Memory"], tables[DRIVES]), ("unknown", []))
        self.assertIn("no drives found", page)
        self.assertIn("No installed software was found.", page)

    def test_expected_reports(self):
        for path, _ in expected_reports():
            with self.subTest(os.path.relpath(path, reportcheck.SOURCE_DIR)):
                report = ET.parse(path).getroot()
                title, _, tables = render(path)
                name = report.findtext("computer/computerName") or "unknown"
                self.assertEqual(title, text("Inventory of " + html.escape(name)))
                rows, drives = tables.get(SOFTWARE, []), report.findall("device/disk/drive")
                self.assertEqual((len(rows), len(tables.get(DRIVES, []))),
                                 (len(report.findall("software/installed")), len(drives)))
                kinds = ["application update component".split().index(row[0]) for row in rows]
                self.assertEqual(kinds, sorted(kinds))
                machine = dict(tables.get("machine/", []))
                for label, name in (("Model", "model"), ("Serial number", "serialNumber"),
                                    ("UUID", "uuid")):
                    value = report.findtext("computer/system/" + name)
                    if value is not None:
                        shown = " ".join(value.split()) or "not given"
                        self.assertTrue(machine[label].startswith(shown), (label, machine))


if __name__ == "__main__":
    unittest.main(verbosity=2)

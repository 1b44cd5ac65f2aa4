#!/usr/bin/env python3
"""docs/report.xsl turns a report into a page that shows what the report holds.

Renders the example report, variants of it, and (when SORVIK_REPLAY is set) the replay
reports of every fixture profile with xsltproc, and reads the pages back.
"""
import html.parser
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
import test_schema  # noqa: E402

STYLESHEET = os.path.join(reportcheck.SOURCE_DIR, "docs", "report.xsl")
VOID = {"meta", "br", "hr", "img", "link", "input", "col"}


class Node:
    def __init__(self, tag, attrs, parent=None):
        self.tag, self.attrs, self.parent = tag, dict(attrs), parent
        self.children = []

    def text(self):
        return "".join(c if isinstance(c, str) else c.text() for c in self.children)

    def find_all(self, tag, **attrs):
        found = []
        for child in self.children:
            if isinstance(child, Node):
                if child.tag == tag and all(child.attrs.get(k) == v for k, v in attrs.items()):
                    found.append(child)
                found += child.find_all(tag, **attrs)
        return found

    def find(self, tag, **attrs):
        found = self.find_all(tag, **attrs)
        return found[0] if found else None


class PageParser(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.root = self.current = Node("#document", {})

    def handle_starttag(self, tag, attrs):
        node = Node(tag, attrs, self.current)
        self.current.children.append(node)
        if tag not in VOID:
            self.current = node

    def handle_endtag(self, tag):
        node = self.current
        while node is not self.root and node.tag != tag:
            node = node.parent
        if node is not self.root:
            self.current = node.parent

    def handle_data(self, data):
        self.current.children.append(data)


def render(report_path):
    result = subprocess.run(["xsltproc", STYLESHEET, report_path], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)
    if result.returncode != 0 or result.stderr:
        raise AssertionError("xsltproc: %s" % result.stderr.decode("utf-8", "replace"))
    parser = PageParser()
    parser.feed(result.stdout.decode("utf-8"))
    return parser.root


def squeeze(text):
    return re.sub(r"\s+", " ", text).strip()


def facts(table):
    """A two-column table as {heading: cell text}."""
    return {squeeze(row.find("th").text()): squeeze(row.find("td").text())
            for row in table.find_all("tr") if row.find("th") and row.find("td")}


def body_rows(table):
    """The cell texts of the data rows (not the "none found" row of an empty table)."""
    return [[squeeze(cell.text()) for cell in row.children
             if isinstance(cell, Node) and cell.tag in ("td", "th")]
            for row in table.find("tbody").find_all("tr") if row.attrs.get("class") != "empty"]


class ExamplePage(test_schema.ReportFiles):
    @classmethod
    def setUpClass(cls):
        cls.page = render(test_schema.EXAMPLE)

    def table(self, name):
        table = self.page.find("table", id=name)
        self.assertIsNotNone(table, "no table %s" % name)
        return table

    def test_title_and_summary(self):
        self.assertEqual(squeeze(self.page.find("title").text()), "Inventory of OFFICE-PC")
        self.assertIn("2007/05/01 09:05:07", squeeze(self.page.find("p").text()))
        computer = facts(self.table("computer"))
        self.assertEqual(computer["Computer name"], "OFFICE-PC")
        self.assertEqual(computer["User"], "anna")
        self.assertEqual(computer["IP address"], "192.168.0.7")
        self.assertEqual(computer["Operating system"], "Windows XP Professional Service Pack 2")
        self.assertEqual(computer["Version"], "5.1, platform 2, Service Pack 2")
        self.assertEqual(computer["Product ID"], "55274-640-1234567-23456")

    def test_hardware_table(self):
        rows = {row[0]: row[1] for row in body_rows(self.table("hardware"))}
        self.assertEqual(len(rows), 13)  # processor, memory and the eleven device lists
        self.assertEqual(rows["Memory"], "1024 MB")
        self.assertEqual(rows["Sound and media"], "Example AC'97 Audio")
        self.assertEqual(rows["Default printer"], "Office Laser & Copier")
        self.assertEqual(rows["Modem"], "none found")
        self.assertEqual(rows["SCSI adapter"], "none found")
        usb = self.table("hardware").find_all("tr")[-1].find_all("li")
        self.assertEqual([squeeze(item.text()) for item in usb],
                         ["Standard Universal PCI to USB Host Controller", "USB Root Hub",
                          "USB Root Hub"])

    def test_drive_table(self):
        rows = body_rows(self.table("drives"))
        self.assertEqual(rows, [["A:", "removable", "", "", ""],
                                ["C:", "hard disk", "38146", "20480", "54 %"],
                                ["D:", "hard disk", "38147", "20730", "54 %"],
                                ["E:", "CD/DVD", "", "", ""]])
        total = self.table("drives").find("tfoot").text()
        self.assertEqual(squeeze(total), "All hard disks 76293 41210 54 %")

    def test_software_table_is_grouped_by_type_then_name(self):
        rows = body_rows(self.table("software"))
        self.assertEqual([(row[0], row[1]) for row in rows], [
            ("application", "Example Editor"),
            ("application", "Example Office Suite"),
            ("update", "+Hotfix for Windows XP (KB100002)"),
            ("update", "Security Update for Windows XP (KB100001)"),
            ("component", "Example Runtime Library"),
        ])
        suite = rows[1]
        self.assertEqual(suite[2:], ["11.0.5614.0", "Example Soft", "2007-03-12", "415232",
                                     "C:\\Program Files\\Example Office\\",
                                     "Anna M\u00fcller, Example & Sons Ltd",
                                     "73931-640-0000106-57334"])
        self.assertIsNotNone(self.page.find("script"), "the sorting script is missing")
        headings = self.table("software").find("thead").find_all("th")
        self.assertTrue(all("sortable" in th.attrs.get("class", "") for th in headings))

    def test_statistics(self):
        self.assertEqual(facts(self.table("statistics")),
                         {"Products": "5", "Applications": "2", "Updates": "2",
                          "Components": "1"})


class VariantPages(test_schema.ReportFiles):
    def page_of(self, text):
        return render(self.write(text))

    def test_device_only_and_software_only(self):
        text = test_schema.example_text()
        device_only = self.page_of(test_schema.remove_section(
            test_schema.remove_section(text, "software"), "statistics"))
        self.assertIsNone(device_only.find("table", id="software"))
        self.assertIn("Not collected: the report was made with /device only.",
                      squeeze(device_only.text()))
        software_only = self.page_of(test_schema.remove_section(text, "device"))
        self.assertIsNone(software_only.find("table", id="hardware"))
        self.assertIn("Not collected: the report was made with /software only.",
                      squeeze(software_only.text()))

    def test_empty_values(self):
        text = test_schema.example_text()
        for element in ("ip", "computerName", "ramMb", "cpu"):
            text = re.sub(r"<%s>[^<]*</%s>" % (element, element), "<%s />" % element, text)
        text = re.sub(r"<software>.*</software>", "<software>\r\n</software>", text, flags=re.S)
        page = self.page_of(text)
        self.assertEqual(squeeze(page.find("title").text()), "Inventory of unknown")
        computer = facts(page.find("table", id="computer"))
        self.assertEqual(computer["IP address"], "unknown")
        rows = {row[0]: row[1] for row in body_rows(page.find("table", id="hardware"))}
        self.assertEqual(rows["Memory"], "unknown")
        self.assertEqual(rows["Processor"], "none found")
        drives = page.find("table", id="drives")
        self.assertEqual(body_rows(drives), [["A:", "removable", "", "", ""],
                                             ["C:", "hard disk", "38146", "20480", "54 %"],
                                             ["D:", "hard disk", "38147", "20730", "54 %"],
                                             ["E:", "CD/DVD", "", "", ""]])
        self.assertIn("No installed software was found.", squeeze(page.text()))

    def test_computer_without_drives(self):
        text = re.sub(r"(<disk [^>]*>\r\n).*?(\t</disk>)", r"\1\2", test_schema.example_text(),
                      flags=re.S)
        text = re.sub(r'<disk totalSpaceMb="\d+" availableSpaceMb="\d+"',
                      '<disk totalSpaceMb="0" availableSpaceMb="0"', text)
        drives = self.page_of(text).find("table", id="drives")
        self.assertEqual(body_rows(drives), [])
        self.assertEqual(squeeze(drives.find("tbody").text()), "no drives found")
        self.assertEqual(squeeze(drives.find("tfoot").text()), "All hard disks 0 0")

    def test_markup_in_values_stays_text(self):
        text = test_schema.example_text().replace(
            "<name>Example Editor</name>", "<name>&lt;script&gt;alert(1)&lt;/script&gt;</name>")
        page = self.page_of(text)
        names = [row[1] for row in body_rows(page.find("table", id="software"))]
        self.assertIn("<script>alert(1)</script>", names)
        self.assertEqual(len(page.find_all("script")), 1)


@unittest.skipUnless(os.environ.get("SORVIK_REPLAY"), "SORVIK_REPLAY is not set")
class ReplayPages(unittest.TestCase):
    def test_every_profile_renders_its_report(self):
        replay = os.environ["SORVIK_REPLAY"]
        found = test_schema.profiles()
        self.assertTrue(found, "no profile under %s" % test_schema.FIXTURES)
        rendered = 0
        for profile in found:
            with self.subTest(os.path.relpath(profile, test_schema.FIXTURES)):
                folder = tempfile.mkdtemp(prefix="sorvik-render-")
                try:
                    reports = test_schema.run_replay(replay, profile, "", folder)
                    self.assertEqual(len(reports), 1)
                    report = ET.parse(reports[0]).getroot()
                    page = render(reports[0])
                    self.check_page(report, page)
                    rendered += 1
                except test_schema.ProfileRefused as refusal:
                    self.skipTest("not a machine: %s" % refusal)
                finally:
                    shutil.rmtree(folder)
        self.assertGreater(rendered, 0, "no profile gave a report")

    def check_page(self, report, page):
        name = report.findtext("computer/computerName") or "unknown"
        self.assertEqual(squeeze(page.find("title").text()), "Inventory of " + name)
        full_name = squeeze(report.findtext("computer/os/fullName") or "") or "unknown"
        self.assertEqual(facts(page.find("table", id="computer"))["Operating system"],
                         full_name)
        drives = report.findall("device/disk/drive")
        if report.find("device/disk") is not None:
            self.assertEqual(len(body_rows(page.find("table", id="drives"))), len(drives))
        installed = report.findall("software/installed")
        table = page.find("table", id="software")
        rows = body_rows(table) if table is not None else []
        self.assertEqual(len(rows), len(installed))
        order = {"application": 0, "update": 1, "component": 2}
        kinds = [order[row[0]] for row in rows]
        self.assertEqual(kinds, sorted(kinds))
        self.assertEqual(facts(page.find("table", id="statistics"))["Products"],
                         report.findtext("statistics/total"))


if __name__ == "__main__":
    unittest.main(verbosity=2)

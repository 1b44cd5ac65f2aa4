"""The harness itself: what scenarios rely on (exact command lines, registry imports that are
checked, report slicing) must hold, or every scenario built on it proves nothing."""

import os
import tempfile
import unittest
from unittest import mock

import harness
import report

REPORT = (report.BOM + report.DECLARATION
          + b'<sorvik version="3.0.1" creationDateTime="2007/05/01 09:05:07">\r\n'
          b"<computer>\r\n"
          b"\t<ip />\r\n"
          b"\t<userName>a&amp;b &lt;c&gt;</userName>\r\n"
          b"\t<os>\r\n"
          b"\t\t<fullName>two\r\nlines</fullName>\r\n"
          b"\t</os>\r\n"
          b"</computer>\r\n"
          b"<device>\r\n"
          b'\t<disk totalSpaceMb="953" availableSpaceMb="412">\r\n'
          b'\t\t<drive type="cd" letter="D" />\r\n'
          b"\t</disk>\r\n"
          b"</device>\r\n"
          b"<software>\r\n"
          b'\t<installed type="application">\r\n\t\t<name>A</name>\r\n\t</installed>\r\n'
          b'\t<installed type="update">\r\n\t\t<name>B</name>\r\n\t</installed>\r\n'
          b"</software>\r\n"
          + report.ROOT_END)


class RunnerChoice(unittest.TestCase):
    """A loader the kernel refuses (as a 32-bit one where 32-bit emulation is off) sends the
    tests to the 64-bit runner, unless win32 is forced: then every test fails and says why."""

    def setUp(self):
        folder = tempfile.mkdtemp(prefix="sorvik-loader-")
        self.addCleanup(harness.shutil.rmtree, folder, True)
        self.refused = os.path.join(folder, "wine")
        with open(self.refused, "wb") as loader:
            loader.write(b"\x7fELF not a program this kernel runs")
        os.chmod(self.refused, 0o755)
        harness.runner.cache_clear()
        self.addCleanup(harness.runner.cache_clear)

    def choose(self, forced):
        environment = dict(os.environ, SORVIK_E2E_ARCH=forced)
        with mock.patch.dict(harness.LOADERS, {"win32": self.refused}), \
                mock.patch.dict(os.environ, environment, clear=True):
            harness.runner.cache_clear()
            return harness.runner()

    def test_refused_32_bit_loader(self):
        self.assertEqual(self.choose(""), ("win64", None))
        kind, problem = self.choose("win32")
        self.assertEqual(kind, "win32")
        self.assertIn("Exec format error", problem or "")
        self.assertIn("SORVIK_E2E_ARCH=win32", problem)
        self.assertEqual(self.choose("win16")[1], "SORVIK_E2E_ARCH=win16: use win32 or win64")


class ReportSlicing(unittest.TestCase):
    def test_sections_elements_and_values(self):
        parsed = report.Report(REPORT)
        self.assertEqual(parsed.sections(), ["computer", "device", "software"])
        self.assertEqual(parsed.value("computer/ip"), "")
        self.assertEqual(parsed.value("computer/userName"), "a&b <c>")
        self.assertEqual(parsed.value("computer/os/fullName"), "two\r\nlines")
        self.assertEqual(parsed.raw("computer/os"),
                         b"\t<os>\r\n\t\t<fullName>two\r\nlines</fullName>\r\n\t</os>\r\n")
        self.assertEqual(parsed.element("device/disk").attributes,
                         {"totalSpaceMb": "953", "availableSpaceMb": "412"})
        self.assertEqual(parsed.element("device/disk/drive").attributes,
                         {"type": "cd", "letter": "D"})
        installed = parsed.all("software/installed")
        self.assertEqual([item.attributes["type"] for item in installed], ["application", "update"])
        self.assertEqual(installed[1].raw, b'\t<installed type="update">\r\n\t\t<name>B</name>\r\n'
                         b"\t</installed>\r\n")
        self.assertTrue(parsed.section("device").startswith(b"<device>\r\n"))
        self.assertTrue(parsed.section("device").endswith(b"</device>\r\n"))

    def test_unbalanced_report_is_refused(self):
        with self.assertRaises(report.ReportError):
            report.Report(REPORT.replace(b"\t</os>\r\n", b""))

    def test_frame_and_masked_time(self):
        report.check_frame(REPORT)
        head, tail = report.frame(REPORT)
        self.assertTrue(head.endswith(b'creationDateTime="YYYY/MM/DD hh:mm:ss">\r\n'))
        self.assertEqual(tail, b"</sorvik>\r\n")
        self.assertEqual(report.creation_time(REPORT), "2007/05/01 09:05:07")
        self.assertIsNone(report.well_formed(REPORT))

    def test_frame_faults_are_found(self):
        faults = {
            "no BOM": REPORT[3:],
            "short year": REPORT.replace(b"2007/05/01", b"07/05/01"),
            "one-digit hour": REPORT.replace(b"09:05:07", b"9:05:07"),
            "other version": REPORT.replace(b"3.0.1", b"3.0.2"),
            "bare LF": REPORT.replace(b"<computer>\r\n", b"<computer>\n"),
            "no end tag": REPORT[:-len(report.ROOT_END)],
        }
        for fault, data in faults.items():
            with self.subTest(fault=fault), self.assertRaises(report.ReportError):
                report.check_frame(data)


class BatchEscaping(unittest.TestCase):
    def test_cmd_specials(self):
        cases = {
            '/out:"C:\\a b\\r.xml"': '/out:"C:\\a b\\r.xml"',
            "100% & more": "100%% ^& more",
            'a|b "c|d" <e> ^': 'a^|b "c|d" ^<e^> ^^',
            '"%x%"': '"%%x%%"',
        }
        for line, escaped in cases.items():
            with self.subTest(line=line):
                self.assertEqual(harness.batch_escape(line), escaped)
        with self.assertRaises(ValueError):
            harness.batch_escape("a\r\nb")


class RegSplitting(unittest.TestCase):
    def test_hardware_sections_go_to_the_volatile_import(self):
        text = ('REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\X]\r\n"A"="1"\r\n\r\n'
                '[HKEY_LOCAL_MACHINE\\HARDWAREX]\r\n"B"=hex:01,\\\r\n  02\r\n\r\n'
                '[-HKEY_LOCAL_MACHINE\\hardware\\Y]\r\n')
        hardware, other = harness.split_hardware_sections(text.encode("latin-1"))
        self.assertEqual(hardware, b'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\X]\r\n'
                         b'"A"="1"\r\n\r\n[-HKEY_LOCAL_MACHINE\\hardware\\Y]\r\n\r\n')
        self.assertEqual(other, b'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWAREX]\r\n'
                         b'"B"=hex:01,02\r\n\r\n')

    def test_version_5_files_keep_their_form_or_become_ansi(self):
        text = ('\ufeffWindows Registry Editor Version 5.00\r\n\r\n'
                '[HKEY_LOCAL_MACHINE\\HARDWARE\\X]\r\n"A"="M\xfcller"\r\n'
                '"B"=hex(7):41,00,fc,00,00,00,\\\r\n  00,00\r\n\r\n'
                '[HKEY_LOCAL_MACHINE\\SOFTWARE\\Y]\r\n"D"="\xe9"\r\n')
        hardware, other = harness.split_hardware_sections(text.encode("utf-16-le"))
        self.assertEqual(hardware, b'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\X]\r\n'
                         b'"A"="M\xfcller"\r\n"B"=hex(7):41,fc,00,00\r\n\r\n\r\n')
        self.assertTrue(other.startswith(b"\xff\xfe"))
        self.assertIn("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Y]\r\n\"D\"=\"\xe9\"",
                      other[2:].decode("utf-16-le"))
        self.assertNotIn("HARDWARE", other[2:].decode("utf-16-le"))


class WineSession(harness.WineTestCase):
    """One prefix for all the harness's Wine checks (each is a few tenths of a second)."""

    LINES = [
        "",
        "/h",
        '/out:"C:\\out dir\\r.xml"',
        '/out:"C:\\a&b\\r.xml" /device',
        "100% ^caret & amp | pipe <lt> >gt",
        '"%PATH%" trailing  ',
        "!bang! (paren) ;semi ,comma =eq\ttab",
    ]

    def test_exact_command_lines_imports_and_volatile_keys(self):
        wine = self.machine()
        regvol = wine.install_regvol()
        for line in self.LINES:
            with self.subTest(line=line):
                wine.run_program(regvol, "/cmdline" + (" " + line if line else ""))
                got = wine.read_file("C:\\e2e\\cmdline.txt")
                self.assertIsNotNone(got, wine.describe())
                self.assertEqual(got.decode("latin-1").split(" /cmdline", 1)[-1],
                                 " " + line if line else "")

        volatile = ('REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\SorvikE2E\\Sub]\r\n'
                    '"Marker"="volatile"\r\n"Number"=dword:0000002a\r\n')
        wine.import_volatile(volatile)
        # regedit cannot create keys under HARDWARE and still exits 0: the check catches it.
        with self.assertRaises(harness.CommandError):
            wine.import_reg(volatile.replace("SorvikE2E", "ByRegedit"))
        with self.assertRaises(harness.CommandError):
            wine.import_reg('REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\SorvikE2E]\r\n'
                            '"Marker"="x"\r\n', marker=("HKLM\\SOFTWARE\\SorvikE2E", "Marker", "y"))

        wine.load_profile("xp-pro-sp2")  # REGEDIT4 and a UTF-16 version 5 file
        wine.run_program(regvol, "/cmdline")  # another process of the session
        self.assertEqual(wine.reg_query("HKLM\\HARDWARE\\SorvikE2E\\Sub", "Marker"), "volatile")
        self.assertEqual(wine.reg_query("HKLM\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0",
                                        "ProcessorNameString"),
                         "Intel(R) Pentium(R) 4 CPU 2.80GHz")
        self.assertEqual(wine.reg_query("HKLM\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                        "ProductId"), "55274-640-1234567-23456")


if __name__ == "__main__":
    unittest.main()

"""Code pages in full: for each code page, sorvik.exe under Wine with that ANSI code page and
sorvik-replay over the same registry must write the same software section. The uninstall
entries' names hold, between them:

- every byte from 0x01 to 0xFF, and every pair of a byte from 0x80 up with every byte from 0x01
  (so every lead byte with every trail byte in a double-byte code page), each pair list ending
  in its first byte alone: stored as binary data, so that the program's MultiByteToWideChar
  converts the bytes as they are;
- every UTF-16 unit from U+0001 to U+FFFF, stored as text from a version 5 file, so that the
  ANSI registry functions convert them to the code page first, best fit included.
"""

import struct

import harness
import report

OUT = "C:\\out\\r.xml"
LINE = '/software /out:"%s"' % OUT
UNINSTALL = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"
RESET = "REGEDIT4\r\n\r\n[-%s]\r\n" % UNINSTALL
UNITS_PER_ENTRY = 256


def hex_data(data):
    """hex: data as regedit writes it, 25 bytes a line."""
    rows = [",".join("%02x" % byte for byte in data[at:at + 25]) for at in range(0, len(data), 25)]
    return ",\\\r\n  ".join(rows)


def byte_entries(double_byte):
    """(name, bytes) of the entries that give the code page bytes as they are."""
    return [("bytes", bytes(range(1, 256)))] + [
        ("pairs %02X" % first, b"".join(bytes([first, second]) for second in range(1, 256))
         + bytes([first])) for first in range(0x80, 0x100) if double_byte]


def binary_reg(double_byte):
    sections = ["[%s\\%s]\r\n\"DisplayName\"=hex:%s\r\n" % (
        UNINSTALL, name.replace(" ", "-"), hex_data(name.encode() + b": " + data))
        for name, data in byte_entries(double_byte)]
    return "REGEDIT4\r\n\r\n" + "\r\n".join(sections)


def unicode_reg():
    """A version 5 file with every unit but U+0000 in texts (hex(1): UTF-16LE)."""
    sections = []
    for first in range(0, 0x10000, UNITS_PER_ENTRY):
        units = [unit for unit in range(first, first + UNITS_PER_ENTRY) if unit != 0]
        text = ("units %04X: " % first).encode("utf-16-le")
        text += b"".join(struct.pack("<H", unit) for unit in units) + b"\0\0"
        sections.append("[%s\\units-%04X]\r\n\"DisplayName\"=hex(1):%s\r\n"
                        % (UNINSTALL, first, hex_data(text)))
    body = "Windows Registry Editor Version 5.00\r\n\r\n" + "\r\n".join(sections)
    return b"\xff\xfe" + body.encode("utf-16-le")


class CodePages(harness.WineTestCase):
    def check_code_page(self, code_page, double_byte):
        binary = binary_reg(double_byte)
        unicode = unicode_reg()
        wine = self.machine(version="winxp", code_page=code_page)
        wine.import_reg(RESET)
        wine.import_reg(binary)
        # regedit stores the texts as they are; the check could only compare their ANSI form.
        wine.wine("regedit", "/S", wine._stage(unicode, "units.reg"))
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(LINE)
        data = self.report_of(run, OUT, wine)
        entries = len(byte_entries(double_byte)) + 0x10000 // UNITS_PER_ENTRY
        installed = len(report.elements(data).get("software/installed", []))
        if installed != entries:
            self.fail_with("%d entries under Wine, %d imported" % (installed, entries), run, wine)
        profile = harness.same_machine(
            self, "winxp", extra_ini="[text]\r\nansiCodePage = %d\r\n" % code_page,
            extra_regs=[RESET, binary, unicode])
        self.assertLikeReplay(data, profile, LINE, OUT, ["software", "statistics"], run, wine)

    def test_central_european_1250(self):
        self.check_code_page(1250, double_byte=False)

    def test_greek_1253(self):
        self.check_code_page(1253, double_byte=False)

    def test_japanese_932(self):
        self.check_code_page(932, double_byte=True)


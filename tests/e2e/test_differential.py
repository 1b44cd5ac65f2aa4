"""Differential runs: every machine profile of tests/fixtures that Wine can present is run both
ways, sorvik.exe under Wine with the fixture imported and sorvik-replay on a profile of that same
machine, and the parts of the report that do not read the host must be byte for byte the same:
the software and statistics sections, the eleven device class elements and the os element.

A difference means that the simulator and Windows (as Wine implements it) disagree, or that the
program depends on something the profile does not describe: the failure lists every differing
part at once. A fixture that Wine cannot present (a 9x version, a registry file that does not
load) is skipped with the reason. A value that regedit cannot store as the
file gives it (a string without its terminator) is deleted again on both sides, and named in
the test's output."""

import os
import re
import unittest

import harness
import report
import wine_profile

OUT = "C:\\out\\r.xml"
# What sorvik-regvol /check says about a value that the registry does not hold as the file does.
CHECK_PROBLEM = re.compile(r":(\d+): value (?:differs|missing): (.*?)"
                           r"(?: \(type \d+, \d+ bytes; expected type \d+, \d+ bytes\))?$")
LINE = '/device /software /out:"%s"' % OUT
# Differences found and traced to the simulator, left for its owner: the test is expected to fail
# until the simulator is fixed (then it passes and this entry must go).
KNOWN_DIFFERENCES = {}

# Fixtures that a scenario module already runs both ways and compares in the same parts; each
# saves a Wine machine here.
COMPARED_ELSEWHERE = {
    "nt-devices": "test_device.NtDevices (as winxp, win2k and win2003)",
    "vista-devices": "test_device.VistaMachine (with software-vista)",
    "software-vista": "test_device.VistaMachine (with vista-devices)",
    "software-uninstall": "test_software.XpSoftware",
    "win7-x64": "test_windows64 (in a 64-bit prefix, as win2008r2)",
    "win10-x64": "test_windows64 (in a 64-bit prefix)",
    "win11-x64": "test_windows64 (in a 64-bit prefix, as win10)",
}

DEVICE_CLASSES = ["monitor", "mouse", "keyboard", "cdrom", "modem", "video", "media",
                  "network", "defaultPrinter", "scsi", "usb"]


def fixtures():
    """The machine profiles of tests/fixtures, by folder name."""
    return sorted(name for name in os.listdir(harness.FIXTURES_DIR)
                  if os.path.isfile(os.path.join(harness.FIXTURES_DIR, name, "machine.ini")))


def compared_parts(data):
    """[(what, bytes)] of the parts of a report that both runs must share."""
    parsed = report.Report(data)
    parts = [("os element", parsed.raw("computer/os"))]
    parts += [("%s element" % name, parsed.raw("device/" + name)) for name in DEVICE_CLASSES]
    parts += [("%s section" % name, parsed.section(name)) for name in ("software", "statistics")]
    return parts


class Differential(harness.WineTestCase):
    def check_fixture(self, name):
        if name in COMPARED_ELSEWHERE:
            self.skipTest("compared in " + COMPARED_ELSEWHERE[name])
        version, reason = wine_profile.expressible(name)
        if version is None:
            self.skipTest("Wine cannot present %s: %s" % (name, reason))
        # The profile itself must load (tests/fixtures holds broken ones for the loader).
        own = self.replay(name, "")
        if own.returncode == 2:
            self.skipTest("%s does not load: %s" % (name, own.stderr.decode("utf-8", "replace")))

        wine = self.machine(version=version, code_page=wine_profile.code_page(name))
        amend = self.load_what_wine_holds(wine, name)
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(LINE)
        data = wine.read_file(OUT)
        self.assertFrame(data, run, wine)

        replayed = self.replay(wine_profile.same_machine(self, version, [name], amend=amend),
                               LINE, folders=["C:\\out"])
        replay_data = replayed.read_file(OUT)
        if replayed.returncode != 0 or replay_data is None:
            self.fail_with("sorvik-replay failed", replayed, run, wine)
        self.assertFrame(replay_data, replayed)

        differences = [
            "%s:\n%s" % (what, report.diff(mine, theirs, ("sorvik.exe under Wine",
                                                          "sorvik-replay")))
            for (what, mine), (_, theirs) in zip(compared_parts(data),
                                                 compared_parts(replay_data))
            if mine != theirs]
        if differences:
            self.fail_with("%s as %s: %d part(s) differ\n\n%s" % (
                name, version, len(differences), "\n".join(differences)), run, wine, replayed)

    def load_what_wine_holds(self, wine, name):
        """Imports the fixture's registry files as WineMachine.load_profile does. A value that
        regedit stores otherwise than the file says is deleted again; returns, by file name,
        the REGEDIT4 text of those deletions, for the replay's profile."""
        amend = {}
        folder = harness.profile_path(name)
        for file_name in sorted(os.listdir(folder)):
            if not file_name.lower().endswith(".reg"):
                continue
            with open(os.path.join(folder, file_name), "rb") as source:
                hardware, other = harness.split_hardware_sections(source.read(),
                                                                  wine.encoding)
            if other is not None:
                try:
                    wine.import_reg(other)
                except harness.CommandError:
                    deletions, converted = self.unheld_values(wine, other)
                    if not deletions and not converted:
                        raise
                    if converted:
                        print("%s: values with characters outside code page %d, compared "
                              "as Wine converts them: %s" % (file_name, wine.code_page,
                                                             ", ".join(converted)))
                    if deletions:
                        amend[file_name] = deletions
                        wine.import_reg(deletions)
                        print("%s: values Wine cannot hold, left out on both sides:\n%s"
                              % (file_name, deletions.strip()))
            if hardware is not None:
                wine.import_volatile(hardware)
        wine_profile.set_up_printer(wine, name)
        return amend

    @staticmethod
    def unheld_values(wine, other):
        """(a REGEDIT4 text deleting every value that the last check found stored otherwise
        than the file says, or None; the names of the values that the check could not judge).

        The check compares the ANSI view with the file's text. A version 5 value with a
        character that the code page lacks has no exact ANSI form: its ANSI view is what the
        differential run compares, so it stays."""
        checked = harness.regedit4(other, wine.encoding)
        lines = checked.decode("latin-1").replace("\r\n", "\n").split("\n")
        unicode_lines = None
        if other.startswith(b"\xff\xfe"):
            unicode_lines = harness._logical_lines(
                other[2:].decode("utf-16-le").replace("\r\n", "\n").split("\n"))
        sections = []
        converted = []
        for line in wine.log[-1].split("\n"):
            match = CHECK_PROBLEM.search(line.strip())
            if match is None:
                continue
            number, value = int(match.group(1)), match.group(2)
            if unicode_lines is not None and number <= len(unicode_lines) and lacks_characters(
                    unicode_lines[number - 1], wine.encoding):
                converted.append(value)
                continue
            keys = [text.strip()[1:-1] for text in lines[:number] if text.strip().startswith("[")]
            if not keys:
                return None, []
            quoted = "@" if value == "" else '"%s"' % value.replace("\\", "\\\\").replace(
                '"', '\\"')
            sections.append("[%s]\r\n%s=-\r\n" % (keys[-1], quoted))
        deletions = "REGEDIT4\r\n\r\n" + "\r\n".join(sections) if sections else None
        return deletions, converted


def lacks_characters(line, encoding):
    """Whether a version 5 value line holds text that the code page cannot represent."""
    name, separator, data = line.partition("=hex(")
    if separator and data[:2].lower() in ("1)", "2)", "7)"):
        raw = bytes(int(byte, 16) for byte in data[3:].replace(" ", "").split(",") if byte)
        text = raw.decode("utf-16-le", "replace")
    else:
        text = line
    try:
        text.encode(encoding)
        return False
    except UnicodeEncodeError:
        return True


def _add_fixture_test(name):
    def test(self):
        self.check_fixture(name)
    test.__name__ = "test_" + re.sub(r"\W", "_", name)
    test.__doc__ = "fixture %s" % name
    if name in KNOWN_DIFFERENCES:
        test.__doc__ += " (known difference: %s)" % KNOWN_DIFFERENCES[name]
        test = unittest.expectedFailure(test)
    setattr(Differential, test.__name__, test)


for _name in fixtures():
    _add_fixture_test(_name)


if __name__ == "__main__":
    unittest.main()

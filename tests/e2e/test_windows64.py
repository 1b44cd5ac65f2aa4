"""Windows 7 to 11 on 64-bit machines: sorvik.exe in a 64-bit Wine prefix (CTest sets
SORVIK_E2E_ARCH=win64 for this module), beside sorvik-replay on a profile of the same machine.

- The name and version that the manifest lets Windows tell: Wine 8.0's win7, win2008r2, win8,
  win81 and win10.
- The software lists of the 64-bit fixtures: the products of the 64-bit view, of the 32-bit view
  (WOW6432Node) and of the user (HKCU) once each, the servicing packages in states 0x70 and 0x80
  but not those in 0x50 and 0x40; replayed, the same software and statistics sections.

Both programs that a 64-bit Windows can meet run: the shipped i686 build through WoW64 (where
the machine runs Wine's 32-bit loader) and the x86_64 build."""

import re
import unittest

import harness
import report
import wine_profile

OUT = "C:\\out\\r.xml"
LINE = '/software /out:"%s"' % OUT

# What each Wine version setting reports to a program with our manifest, and the name that
# follows. Wine 8.0 swaps 6.1's product types: its win7 is a server, its win2008r2 a workstation.
NAMES = {
    "win7": ("6", "1", "Windows Server 2008 R2 Standard"),
    "win2008r2": ("6", "1", "Windows 7 Ultimate N"),
    "win8": ("6", "2", "Windows 8 Ultimate N"),
    "win81": ("6", "3", "Windows 8.1 Ultimate N"),
    "win10": ("10", "0", "Windows 10 Ultimate N"),
}

# The Wine version that presents each fixture's software walk (the walk is the same from Vista
# on; Wine has no Windows 11 setting and its win7 is a server).
FIXTURES = {"win7-x64": "win2008r2", "win10-x64": "win10", "win11-x64": "win10"}

# Each of these is in the fixtures exactly once: the 64-bit view, the 32-bit view, both views
# (identical), the user's key; the packages installed (0x70) and permanent (0x80).
LISTED = ["Example Office Suite (64-bit)", "Example Runtime (x64)", "Example Legacy Tool",
          "Example Runtime (x86)", "Example Sync Agent", "Example Chat", "Example Meeting Client"]
# Packages by their state; the superseded (0x50) and staged (0x40) ones are not installed.
PACKAGES = {
    "win7-x64": (["KB2900001", "KB2900002"], ["KB2900003", "KB2900004"]),
    "win10-x64": (["KB5034441", "KB5034763"], ["KB5032189", "KB5031356"]),
    "win11-x64": (["KB5034765", "KB5034467"], ["KB5033375", "KB5032190"]),
}


class Windows64(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        if harness.arch() != "win64":
            self.fail("this module needs a 64-bit prefix: run it with SORVIK_E2E_ARCH=win64 "
                      "(CTest sets it)")

    def run_report(self, wine, exe):
        run = wine.run_sorvik(LINE, exe=exe)
        data = wine.read_file(OUT)
        self.assertFrame(data, run, wine)
        return run, data

    def test_names_and_versions(self):
        label, exe = harness.exes_for_64_bit_prefix()[0]
        for version, (major, minor, name) in NAMES.items():
            with self.subTest(version=version, exe=label):
                wine = self.machine(version=version)
                wine.make_dir("C:\\out")
                run, data = self.run_report(wine, exe)
                parsed = report.Report(data)
                found = (parsed.value("computer/os/getVersionEx/majorVersion"),
                         parsed.value("computer/os/getVersionEx/minorVersion"),
                         parsed.value("computer/os/fullName"))
                if found != (major, minor, name):
                    self.fail_with("%s: %r, expected %r" % (version, found, (major, minor, name)),
                                   run, wine)

    def test_both_views_the_user_and_the_installed_packages(self):
        for label, exe in harness.exes_for_64_bit_prefix():
            for fixture, version in FIXTURES.items():
                with self.subTest(fixture=fixture, exe=label):
                    self.check_software(fixture, version, exe)

    def check_software(self, fixture, version, exe):
        wine = self.machine(version=version)
        wine_profile.set_up(wine, fixture)
        wine.make_dir("C:\\out")
        run, data = self.run_report(wine, exe)
        names = re.findall(r"<name>([^<]*)</name>",
                           report.Report(data).section("software").decode("utf-8"))
        installed, not_installed = PACKAGES[fixture]
        for name in LISTED + installed:
            if names.count(name) != 1:
                self.fail_with("%s listed %d times, expected once" % (name, names.count(name)),
                               run, wine)
        for name in not_installed:
            if name in names:
                self.fail_with("%s is not installed, but listed" % name, run, wine)
        self.assertEqual(len(names), len(LISTED + installed), names)

        profile = wine_profile.same_machine(self, version, [fixture])
        self.assertReplaySections(data, profile, LINE, OUT, ["software", "statistics"], run, wine)


if __name__ == "__main__":
    unittest.main()

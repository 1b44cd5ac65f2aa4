"""The computer section of a default run of the real sorvik.exe, for each Windows version Wine
can present: the OS name, product id and version numbers that follow from what Wine reports,
the report's name beside the executable, and the same os element from sorvik-replay on a
profile that describes that machine."""

import os
import tempfile
import unittest

import harness
import report

PRODUCT_ID = "55274-640-1234567-23456"

# One fixture for both sides: imported into the Wine prefix, and the registry of the profile.
FIXTURE_REG = (
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"ProductId\"=\"%s\"\r\n" % PRODUCT_ID)

# What Wine 8.0 reports for each version setting (the basic and extended version records,
# and for Vista the product type of GetProductInfo), and the name composed from it.
VERSIONS = {
    "win31": dict(major=3, minor=10, build=0, platform=0, csd="Win32s 1.3",
                  productType=0, suiteMask=0, productInfo=None,
                  fullName="Win32s"),
    "win98": dict(major=4, minor=10, build=2222, platform=1, csd=" A ",
                  productType=0, suiteMask=0, productInfo=None,
                  fullName="Windows 98 SE"),
    "nt40": dict(major=4, minor=0, build=1381, platform=2, csd="Service Pack 6a",
                 productType=1, suiteMask=0, productInfo=None,
                 fullName="Windows NT Workstation 4.0 Service Pack 6a"),
    "win2k": dict(major=5, minor=0, build=2195, platform=2, csd="Service Pack 4",
                  productType=1, suiteMask=0, productInfo=None,
                  fullName="Windows 2000 Professional Service Pack 4"),
    "winxp": dict(major=5, minor=1, build=2600, platform=2, csd="Service Pack 3",
                  productType=1, suiteMask=0x100, productInfo=None,
                  fullName="Windows XP Professional Service Pack 3"),
    "win2003": dict(major=5, minor=2, build=3790, platform=2, csd="Service Pack 2",
                    productType=3, suiteMask=0x110, productInfo=None,
                    fullName="Windows Server 2003 Standard Edition Service Pack 2"),
    "vista": dict(major=6, minor=0, build=6002, platform=2, csd="Service Pack 2",
                  productType=1, suiteMask=0x100, productInfo=1,
                  fullName="Windows Vista Ultimate Edition"),
}


def full_name(version):
    """The name composed from what the prefix reports: on 5.2 the native architecture counts,
    and a 64-bit prefix reports AMD64."""
    name = VERSIONS[version]["fullName"]
    if version == "win2003" and harness.native_architecture() == 9:
        return name.replace(" Standard Edition", " Standard x64 Edition")
    return name


def write_profile(folder, facts):
    """A machine profile of the Wine machine: its version facts and the fixture's registry."""
    lines = [
        "[version]",
        "major = %d" % facts["major"],
        "minor = %d" % facts["minor"],
        "build = %d" % facts["build"],
        "platform = %d" % facts["platform"],
        'csd = "%s"' % facts["csd"],
        "productType = %d" % facts["productType"],
        "suiteMask = 0x%x" % facts["suiteMask"],
        "[kernel32]",
        "GetProductInfo = %s" % ("yes" if facts["productInfo"] is not None else "no"),
        "productInfoType = %d" % (facts["productInfo"] or 0),
    ] + harness.profile_processor_lines() + [
        "[files]",
        "modulePath = C:\\sorvik\\sorvik.exe",
        "tempPath = C:\\TEMP\\",
    ]
    with open(os.path.join(folder, "machine.ini"), "w", newline="\r\n") as ini:
        ini.write("\n".join(lines) + "\n")
    with open(os.path.join(folder, "product.reg"), "wb") as reg:
        reg.write(FIXTURE_REG.encode("latin-1"))


def the_report(testcase, machine_or_replay, *contexts):
    """The one report that a default run left beside the executable: its name and bytes."""
    names = [name for name in machine_or_replay.list_dir(harness.WineMachine.EXE_FOLDER)
             if name.lower().endswith(".xml")]
    if len(names) != 1:
        testcase.fail_with("expected one report beside the executable, found %r" % names,
                           *contexts)
    path = harness.WineMachine.EXE_FOLDER + "\\" + names[0]
    return names[0], machine_or_replay.read_file(path)


def expected_name(data):
    """The default report name from the identity that the report itself carries."""
    values = [report.Report(data).value("computer/" + name)
              for name in ("ip", "computerName", "userName")]
    base = values[0]
    for value in values[1:]:
        if value:
            base += ";" + value
    return base + ".xml"


class ComputerSection(harness.WineTestCase):
    def check_version(self, version):
        facts = VERSIONS[version]
        wine = self.machine(version=version)
        wine.import_reg(FIXTURE_REG)
        run = wine.run_sorvik("")
        name, data = the_report(self, wine, run, wine)
        self.assertFrame(data, run, wine)
        if run.returncode != 0:
            self.fail_with("exit status %d, expected 0" % run.returncode, run, wine)
        self.assertEqual(name, expected_name(data), report.show(data))

        parsed = report.Report(data)
        found = {path: parsed.value("computer/os/" + path) for path in (
            "fullName", "productId", "getVersionEx/majorVersion",
            "getVersionEx/minorVersion", "getVersionEx/platformId",
            "getVersionEx/csdVersion")}
        self.assertEqual(found, {
            "fullName": full_name(version),
            "productId": PRODUCT_ID,
            "getVersionEx/majorVersion": str(facts["major"]),
            "getVersionEx/minorVersion": str(facts["minor"]),
            "getVersionEx/platformId": str(facts["platform"]),
            "getVersionEx/csdVersion": facts["csd"],
        }, report.show(data))

        profile = tempfile.mkdtemp(prefix="sorvik-profile-")
        self.addCleanup(harness.shutil.rmtree, profile, True)
        write_profile(profile, facts)
        replayed = self.replay(profile)
        _, replay_data = the_report(self, replayed, replayed)
        self.assertFrame(replay_data, replayed)
        self.assertSameBytes(parsed.raw("computer/os"),
                             report.Report(replay_data).raw("computer/os"),
                             "os elements of sorvik.exe and sorvik-replay", run, wine, replayed)


class DefaultName(harness.WineTestCase):
    """The default report name is taken anew by every run: a second run beside the first
    writes the (2) file, under Wine and in replay alike."""

    def check_second_run(self, first_name, list_reports, rerun, *contexts):
        rerun()
        expected = [first_name, first_name[:-len(".xml")] + "(2).xml"]
        self.assertEqual(sorted(list_reports()), sorted(expected),
                         "\n\n".join(context.describe() for context in contexts))

    def test_a_second_run_writes_the_2_file(self):
        wine = self.machine(version="winxp")
        run = wine.run_sorvik("")
        name, data = the_report(self, wine, run, wine)
        self.assertEqual(name, expected_name(data), report.show(data))
        folder = harness.WineMachine.EXE_FOLDER
        self.check_second_run(
            name, lambda: [n for n in wine.list_dir(folder) if n.lower().endswith(".xml")],
            lambda: wine.run_sorvik(""), run, wine)

        profile = tempfile.mkdtemp(prefix="sorvik-profile-")
        self.addCleanup(harness.shutil.rmtree, profile, True)
        write_profile(profile, VERSIONS["winxp"])
        replayed = self.replay(profile)
        replay_name, replay_data = the_report(self, replayed, replayed)
        self.assertEqual(replay_name, expected_name(replay_data), report.show(replay_data))
        self.check_second_run(
            replay_name,
            lambda: [n for n in replayed.list_dir(folder) if n.lower().endswith(".xml")],
            lambda: harness.subprocess.run([harness.replay_exe(), profile], cwd=replayed.workdir,
                                           check=True, timeout=60),
            replayed)


def _add_version_test(version):
    def test(self):
        self.check_version(version)
    test.__name__ = "test_" + version
    setattr(ComputerSection, test.__name__, test)


for _version in VERSIONS:
    _add_version_test(_version)


if __name__ == "__main__":
    unittest.main()

"""The machine's identity under Wine: Wine 8.0 builds its SMBIOS table from /sys/class/dmi/id
and the type 1 UUID from /var/lib/dbus/machine-id. As root, every Wine command of the scenario
runs in a private mount namespace of its own (unshare -m) with a tmpfs over /sys/class holding
a made-up dmi/id folder and our file at the machine-id's place, so sorvik.exe names that machine,
and nothing on the host changes. The prefix presents Windows 10 22H2 (10.0.19045.3803) through
the registry, and the os element's build, display version, update revision and architecture are
checked too, and compared with sorvik-replay."""

import os
import shutil
import subprocess
import tempfile

import harness
import report

OUT = "C:\\out\\r.xml"
LINE = '/software /out:"%s"' % OUT
# Blanks around a text and a firmware placeholder: the report trims the one, keeps the other.
DMI = {"sys_vendor": "Example Computers Inc.", "product_name": "Example Desk 800 G5",
       "product_version": "1.0", "product_serial": "  CZC1234XYZ  ",
       "board_vendor": "Example Computers Inc.", "board_name": "8054",
       "board_serial": "Default string", "chassis_vendor": "Example Computers Inc.",
       "chassis_type": "3", "chassis_asset_tag": "ASSET-0042",  # Wine reads "chassis_tag"
       "bios_vendor": "Example BIOS Corp.", "bios_version": "R01 Ver. 02.11.00",
       "bios_date": "08/15/2023"}
MACHINE_ID = "0123456789abcdeffedcba9876543210"
# Wine writes a version 2.4 table, so the UUID shows its bytes as stored: the machine-id's.
# Wine 8.0 asks for the asset tag under a name the kernel does not use, so it stays empty.
SYSTEM = [("manufacturer", "Example Computers Inc."), ("model", "Example Desk 800 G5"),
          ("serialNumber", "CZC1234XYZ"), ("uuid", "01234567-89AB-CDEF-FEDC-BA9876543210"),
          ("boardSerialNumber", "Default string"), ("chassisType", "Desktop"),
          ("assetTag", ""), ("biosVendor", "Example BIOS Corp."),
          ("biosVersion", "R01 Ver. 02.11.00"), ("biosDate", "08/15/2023")]
# Wine's win10 setting says 10.0.18362. Without a version setting, Wine 8.0 takes the version
# and build from these values instead (CurrentMajorVersionNumber it does not read).
CURRENT_VERSION = ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\"
                   "CurrentVersion]\r\n\"CurrentVersion\"=\"10.0\"\r\n"
                   "\"CurrentBuild\"=\"19045\"\r\n\"CurrentBuildNumber\"=\"19045\"\r\n"
                   "\"CSDVersion\"=-\r\n"
                   "\"DisplayVersion\"=\"22H2\"\r\n\"UBR\"=dword:00000edb\r\n")
WINDOWS_10 = harness.Version(10, 0, 19045, 2, "", 0, 1, 0x100, 0x1C, "Windows 10 Ultimate N")
OS = [("fullName", WINDOWS_10.fullName), ("getVersionEx/buildNumber", "19045"),
      ("displayVersion", "22H2"), ("updateRevision", "3803"), ("architecture", "x64")]
# Runs "$@" after the mounts; $0 is the folder holding dmi/id and machine-id. Where the host
# has no machine-id to bind over, a tmpfs over its folder (or /var/lib) holds ours.
IN_NAMESPACE = """set -e
mount -t tmpfs -o mode=755 sorvik-dmi /sys/class
cp -R "$0/dmi" /sys/class/dmi
if [ -f /var/lib/dbus/machine-id ]; then
    mount --bind "$0/machine-id" /var/lib/dbus/machine-id
else
    if [ -d /var/lib/dbus ]; then over=/var/lib/dbus; else over=/var/lib; fi
    mount -t tmpfs -o mode=755 sorvik-dbus "$over"
    mkdir -p /var/lib/dbus
    cp "$0/machine-id" /var/lib/dbus/machine-id
fi
exec "$@"
"""


def namespace_problem():
    """None when this process can make private mount namespaces, else why not."""
    if os.geteuid() != 0:
        return "the DMI test mounts in a private namespace and needs root (uid %d)" % os.geteuid()
    if shutil.which("unshare") is None:
        return "the DMI test needs unshare (util-linux) on PATH"
    probe = subprocess.run(["unshare", "-m", "--propagation", "private", "true"],
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if probe.returncode != 0:
        return "unshare -m failed here: %s" % probe.stdout.decode("utf-8", "replace").strip()
    return None


def identity_folder(testcase):
    """A folder with dmi/id and machine-id as Wine's host would have them."""
    folder = tempfile.mkdtemp(prefix="sorvik-dmi-")
    testcase.addCleanup(shutil.rmtree, folder, True)
    os.makedirs(os.path.join(folder, "dmi", "id"))
    files = [(os.path.join("dmi", "id", name), value) for name, value in DMI.items()]
    for name, value in files + [("machine-id", MACHINE_ID)]:
        with open(os.path.join(folder, name), "w") as out:
            out.write(value + "\n")
    return folder


class MadeUpMachine(harness.WineTestCase):
    def test_system_block_and_build(self):
        problem = namespace_problem()
        if problem:
            self.fail(problem)
        folder = identity_folder(self)
        wrapper = ["unshare", "-m", "--propagation", "private", "sh", "-c", IN_NAMESPACE, folder]
        wine = self.machine(version=None, wrapper=wrapper)
        # wineboot copies the table into the registry at the session's start: proof that Wine
        # saw the made-up machine, whatever sorvik.exe makes of it.
        bios = wine.wine("reg", "query", "HKLM\\HARDWARE\\DESCRIPTION\\System\\BIOS", "/v",
                         "SystemProductName").stdout.decode("utf-8", "replace")
        if DMI["product_name"] not in bios:
            self.fail_with("Wine did not read the made-up dmi/id folder:\n" + bios, wine)
        wine.import_reg(CURRENT_VERSION)
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(LINE)
        data = self.report_of(run, OUT, wine)
        expected = [("computer/system/" + name, value) for name, value in SYSTEM] + [
            ("computer/os/" + path, value) for path, value in OS]
        have = report.elements(data)
        found = [(path, report.value(data, path) if path in have else None)
                 for path, _ in expected]
        self.assertEqual(found, expected, report.show(data))
        self.assertLikeReplay(data, harness.same_machine(self, WINDOWS_10,
                                                         extra_regs=[CURRENT_VERSION]),
                              LINE, OUT, ["computer/os"], run, wine)
        with open("/proc/self/mountinfo") as mounts:
            self.assertNotIn("sorvik-", mounts.read(), "a mount leaked out of the namespace")

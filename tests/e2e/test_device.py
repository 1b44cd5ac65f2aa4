"""The device section of the real sorvik.exe under Wine, beside sorvik-replay on a profile of
the same machine: the host's processor, memory and drives as Wine presents them, the NT device
walks over a fixture read as Windows XP, 2000 and Server 2003, and a Vista machine with devices,
uninstall entries and servicing packages."""

import html
import os
import re
import sys
import unittest

import harness
import report
import wine_profile

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tests", "docs"))
import reportcheck  # noqa: E402  (tests/docs is not a package)

OUT = "C:\\out\\r.xml"
DEVICE_LINE = '/device /out:"%s"' % OUT
ELEMENTS = ["monitor", "mouse", "keyboard", "cdrom", "modem", "video", "media", "network",
            "defaultPrinter", "scsi", "usb"]
CPU_KEY = "HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor"
FIXED_DRIVE = re.compile(rb'\t\t<drive type="fixed" letter="([A-Z])" totalSpaceMb="(\d+)" '
                         rb'availableSpaceMb="(\d+)" />\r\n')
DISK_START = re.compile(rb'\t<disk totalSpaceMb="(\d+)" availableSpaceMb="(\d+)">\r\n')

# The device elements that the design predicts for tests/fixtures/nt-devices. Windows 2000 and
# Server 2003 share one fetcher; only the monitor lookup sets XP apart: they take the first
# description under Default_Monitor, where Wine keeps its own generic monitor.
NT_DEVICES = {
    "monitor": "Example 17 Inch Monitor;Example 19 Inch Monitor;Plug and Play Monitor",
    "mouse": "Example PS/2 Mouse;Example USB Mouse",
    "keyboard": "Example PS/2 Keyboard;Remote Keyboard",
    "cdrom": "EXAMPLE DVD-ROM 1.0;EXAMPLE CD-RW 2.0;EXAMPLE FAR CD 9.9",
    "modem": "Example 56K Voice Modem",
    "video": "Example Graphics 9000",
    "media": ";Example Wave Device",
    "network": "Example Fast Ethernet Adapter;Example Wireless Adapter",
    "defaultPrinter": "Office Laser",
    "scsi": "Example Ultra SCSI Controller;Example Ultra SCSI Controller",
    "usb": "Example USB Host Controller;Example USB Root Hub",
}
NT_DEVICES_BY_VERSION = {
    "winxp": NT_DEVICES,
    "win2k": dict(NT_DEVICES, monitor="Generic Non-PnP Monitor"),
    "win2003": dict(NT_DEVICES, monitor="Generic Non-PnP Monitor"),
}

# ... and for tests/fixtures/vista-devices read as Vista.
VISTA_DEVICES = {
    "monitor": "Example PnP Monitor;Example Plain Monitor;",
    "mouse": "Example PS/2 Mouse;Example HID Mouse",
    "keyboard": "Example Keyboard;Upper Root Keyboard;Lower Root Keyboard",
    "cdrom": "EXAMPLE DVD-RW DRIVE;Example CD-ROM Drive",
    "modem": "Example 56K Modem;Voice;",
    "video": "Example Graphics 9000",
    "media": "Example High Definition Audio Device",
    "network": "Example Gigabit Adapter",
    "defaultPrinter": "Office Inkjet",
    "scsi": "Example SATA RAID Controller",
    "usb": "Example USB Host Controller;USB;Hub",
}
# The products of tests/fixtures/software-vista: the uninstall entries in key order (a system
# component that is an update keeps its "+"), then the servicing packages that pass the
# filters (states 7 and 0x70), the x86 and amd64 packages of KB100001 giving one line.
VISTA_PRODUCTS = ["Example Editor", "+Security Update for Windows XP (KB100002)",
                  "Example Runtime", "KB100001", "KB100004", "KB100005", "KB100008", "SP1"]


def normalize_ram(megabytes):
    """The standard memory size that the device section writes for a whole number of MB."""
    for low, high, size in ((11, 21, 16), (27, 37, 32), (43, 53, 48), (59, 69, 64),
                            (123, 133, 128), (246, 266, 256), (502, 522, 512), (758, 778, 768),
                            (1014, 1034, 1024), (2038, 2058, 2048), (4086, 4106, 4096)):
        if low <= megabytes <= high:
            return size
    return megabytes + (1 if megabytes < 1024 else 2)


def host_memory_mb():
    with open("/proc/meminfo") as meminfo:
        for line in meminfo:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) * 1024 >> 20
    raise AssertionError("no MemTotal in /proc/meminfo")


def reg_sections(data):
    """A version 5 or REGEDIT4 export as {key: {value name: str or int}} (strings and dwords;
    other data is left out)."""
    text = data[2:].decode("utf-16-le") if data.startswith(b"\xff\xfe") else data.decode("latin-1")
    sections = {}
    values = None
    for line in text.splitlines():
        if line.startswith("["):
            values = sections.setdefault(line.strip().strip("[]"), {})
            continue
        match = re.match(r'"((?:[^"\\]|\\.)*)"=(?:"((?:[^"\\]|\\.)*)"|dword:([0-9a-fA-F]{8}))$',
                         line.strip())
        if match is None or values is None:
            continue
        name = re.sub(r"\\(.)", r"\1", match.group(1))
        if match.group(2) is not None:
            values[name] = re.sub(r"\\(.)", r"\1", match.group(2))
        else:
            values[name] = int(match.group(3), 16)
    return sections


def expected_cpu(sections):
    """The cpu element that the design gives for these processor keys (keys 0 to 3, name
    string, else identifier with the clock, else vendor; blanks collapsed)."""
    entries = []
    for index in range(4):
        values = sections.get("%s\\%d" % (CPU_KEY, index))
        if values is None:
            if index == 0:
                raise AssertionError("Wine has no processor key 0")
            break
        if isinstance(values.get("ProcessorNameString"), str):
            entries.append(values["ProcessorNameString"])
        elif isinstance(values.get("Identifier"), str):
            clock = values.get("~MHz")
            identifier = values["Identifier"][:512]
            entries.append(identifier if not isinstance(clock, int) else "%s %d Mhz" % (
                identifier, clock - (1 << 32) if clock >= 1 << 31 else clock))
        elif isinstance(values.get("VendorIdentifier"), str):
            entries.append(values["VendorIdentifier"])
    return re.sub(" +", " ", ";".join(entries))[:2048]


def host_drives(wine):
    """{letter: host folder} of the prefix's drive letters that are folders."""
    devices = os.path.join(wine.prefix, "dosdevices")
    drives = {}
    for name in os.listdir(devices):
        path = os.path.join(devices, name)
        if len(name) == 2 and name[1] == ":" and os.path.isdir(path):
            drives[name[0].upper()] = os.path.realpath(path)
    return drives


def device_elements(data):
    """{element name: raw bytes} of the eleven device class elements of a report."""
    parsed = report.Report(data)
    return {name: parsed.raw("device/" + name) for name in ELEMENTS}


def installed_names(data):
    """The name of every installed element of a report, in order, entities resolved."""
    section = report.Report(data).section("software")
    return [html.unescape((match.group(1) or b"").decode("utf-8"))
            for match in re.finditer(rb"\t\t<name(?: />|>(.*?)</name>)\r\n", section)]


def mask_host_sizes(section):
    """A device section with the memory size and every disk size replaced by '#'."""
    section = re.sub(rb"<ramMb>\d+</ramMb>", b"<ramMb>#</ramMb>", section)
    return re.sub(rb'(totalSpaceMb|availableSpaceMb)="\d+"', rb'\1="#"', section)


class DeviceTestCase(harness.WineTestCase):
    def run_report(self, wine, command_line):
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(command_line)
        data = wine.read_file(OUT)
        self.assertFrame(data, run, wine)
        if run.returncode != 0:
            self.fail_with("exit status %d, expected 0" % run.returncode, run, wine)
        problems = reportcheck.check_report(
            wine.host_path(OUT), reportcheck.sections_for(command_line))
        if problems:
            self.fail_with("reportcheck: %s\n%s" % ("\n".join(problems), report.show(data)),
                           run, wine)
        return run, data

    def replay_report(self, profile, command_line, *contexts):
        replayed = self.replay(profile, command_line, folders=["C:\\out"])
        data = replayed.read_file(OUT)
        if replayed.returncode != 0 or data is None:
            self.fail_with("sorvik-replay failed", replayed, *contexts)
        self.assertFrame(data, replayed)
        return replayed, data

    def assertDeviceValues(self, data, expected, *contexts):
        parsed = report.Report(data)
        found = {name: parsed.value("device/" + name) for name in ELEMENTS}
        if found != expected:
            lines = ["%s: %r, expected %r" % (name, found[name], expected[name])
                     for name in ELEMENTS if found[name] != expected[name]]
            self.fail_with("device elements differ from the design's:\n" + "\n".join(lines),
                           *contexts)

    def assertSameDevices(self, wine_data, replay_data, *contexts):
        self.assertSameBytes(b"".join(device_elements(wine_data).values()),
                             b"".join(device_elements(replay_data).values()),
                             "device class elements of sorvik.exe and sorvik-replay", *contexts)
        self.assertSameBytes(report.Report(wine_data).raw("computer/os"),
                             report.Report(replay_data).raw("computer/os"),
                             "os elements of sorvik.exe and sorvik-replay", *contexts)


class WineMachineDevices(DeviceTestCase):
    def test_device_run_reads_the_host_as_wine_presents_it(self):
        wine = self.machine(version="winxp")
        wine.make_dir("C:\\e2e")
        wine.wine("regedit", "/E", "C:\\e2e\\cpu.reg", CPU_KEY)
        cpu_export = wine.read_file("C:\\e2e\\cpu.reg")
        if not cpu_export:
            self.fail_with("regedit /E wrote no processor keys", wine)
        run, data = self.run_report(wine, DEVICE_LINE)
        parsed = report.Report(data)

        self.assertEqual(parsed.sections(), ["computer", "device"], report.show(data))
        children = [element.name for element in parsed.elements
                    if element.path.startswith("device/") and element.path.count("/") == 1]
        self.assertEqual(children, ["cpu", "ramMb", "disk"] + ELEMENTS, report.show(data))
        self.assertEqual(parsed.value("device/cpu"), expected_cpu(reg_sections(cpu_export)),
                         report.show(data))
        self.assertEqual(parsed.value("device/ramMb"), str(normalize_ram(host_memory_mb())),
                         report.show(data))

        # Fixed drives: one line each in the drive list's form, totals as the host's file
        # systems give them (free space changes while the test runs: only its sums are exact).
        disk = parsed.raw("device/disk")
        start = DISK_START.match(disk)
        drives = FIXED_DRIVE.findall(disk)
        self.assertIsNotNone(start, report.show(data))
        self.assertEqual(disk, start.group(0) + b"".join(
            b'\t\t<drive type="fixed" letter="%s" totalSpaceMb="%s" availableSpaceMb="%s" />\r\n'
            % drive for drive in drives) + b"\t</disk>\r\n", report.show(data))
        folders = host_drives(wine)
        self.assertEqual([drive[0].decode() for drive in drives], sorted(folders))
        total_bytes = 0
        for letter, total, available in drives:
            stat = os.statvfs(folders[letter.decode()])
            total_bytes += stat.f_blocks * stat.f_frsize
            self.assertEqual(int(total), stat.f_blocks * stat.f_frsize >> 20, letter)
            self.assertLessEqual(int(available), int(total), letter)
        self.assertEqual(int(start.group(1)), total_bytes >> 20)
        free = sum(int(drive[2]) for drive in drives)
        self.assertTrue(free <= int(start.group(2)) < free + max(len(drives), 1),
                        report.show(data))

        # The same machine replayed: its identity, processors and drive letters; the sizes
        # read from the host are masked.
        values = {name: parsed.value("computer/" + name)
                  for name in ("ip", "computerName", "userName")}
        extra = ["[identity]", 'computerName = "%s"' % values["computerName"],
                 'userName = "%s"' % values["userName"], "[network]", "hostName = winehost"]
        if values["ip"]:
            extra += ["[resolver]", "winehost = " + values["ip"]]
        for letter in folders:
            extra += ["[drive %s:]" % letter, "type = fixed"]
        profile = wine_profile.same_machine(self, "winxp", extra_ini="\r\n".join(extra) + "\r\n",
                                            extra_regs=[cpu_export])
        replayed, replay_data = self.replay_report(profile, DEVICE_LINE, run, wine)
        self.assertSameSections(data, replay_data, ["computer"], run, wine, replayed)
        self.assertSameBytes(mask_host_sizes(parsed.section("device")),
                             mask_host_sizes(report.Report(replay_data).section("device")),
                             "device sections (sizes masked)", run, wine, replayed)


class NtDevices(DeviceTestCase):
    def test_xp_2000_and_2003_walks(self):
        wine = self.machine(version="winxp")
        wine_profile.set_up(wine, "nt-devices")
        for version, expected in NT_DEVICES_BY_VERSION.items():
            with self.subTest(version=version):
                wine.set_windows_version(version)
                run, data = self.run_report(wine, DEVICE_LINE)
                self.assertDeviceValues(data, expected, run, wine)
                profile = wine_profile.same_machine(self, version, ["nt-devices"])
                replayed, replay_data = self.replay_report(profile, DEVICE_LINE, run, wine)
                self.assertSameDevices(data, replay_data, run, wine, replayed)


class VistaMachine(DeviceTestCase):
    def test_devices_software_and_edition(self):
        line = '/device /software /out:"%s"' % OUT
        fixtures = ["software-vista", "vista-devices"]
        wine = self.machine(version="vista")
        wine_profile.set_up(wine, *fixtures)
        run, data = self.run_report(wine, line)
        parsed = report.Report(data)
        self.assertEqual(parsed.value("computer/os/fullName"), "Windows Vista Ultimate Edition",
                         report.show(data))
        self.assertDeviceValues(data, VISTA_DEVICES, run, wine)
        self.assertEqual(installed_names(data), VISTA_PRODUCTS, report.show(data))

        replayed, replay_data = self.replay_report(
            wine_profile.same_machine(self, "vista", fixtures), line, run, wine)
        self.assertSameDevices(data, replay_data, run, wine, replayed)
        self.assertSameSections(data, replay_data, ["software", "statistics"], run, wine,
                                replayed)


if __name__ == "__main__":
    unittest.main()

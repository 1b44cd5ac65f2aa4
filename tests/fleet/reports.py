"""The reports the fleet tests ingest, all made by sorvik-replay from the fixtures, and what the
database must hold for each, read from the report itself with ElementTree.

    reports.py DIR      replays every fixture run into DIR/<fixture>/<case>.xml
"""
import os
import re
import shutil
import sys
import xml.etree.ElementTree as ET

import profiles  # tests/replay, on the PYTHONPATH that CTest sets

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.abspath(os.path.join(HERE, "..", ".."))

FLEET = os.path.abspath(os.environ.get("SORVIK_FLEET") or
                        os.path.join(SOURCE_DIR, "build", "native", "sorvik-fleet"))

# (column, path from the root, kind): "n" a number, "t" the creation time, "" text.
REPORT_COLUMNS = [
    ("created", "@creationDateTime", "t"), ("version", "@version", ""),
    ("ip", "computer/ip", ""), ("computer_name", "computer/computerName", ""),
    ("user_name", "computer/userName", ""), ("os_name", "computer/os/fullName", ""),
    ("product_id", "computer/os/productId", ""),
    ("os_major", "computer/os/getVersionEx/majorVersion", "n"),
    ("os_minor", "computer/os/getVersionEx/minorVersion", "n"),
    ("os_platform", "computer/os/getVersionEx/platformId", "n"),
    ("os_csd", "computer/os/getVersionEx/csdVersion", ""),
    ("os_build", "computer/os/getVersionEx/buildNumber", "n"),
    ("os_display_version", "computer/os/displayVersion", ""),
    ("os_update_revision", "computer/os/updateRevision", "n"),
    ("os_architecture", "computer/os/architecture", ""),
] + [(column, "computer/system/" + element, "") for column, element in [
    ("manufacturer", "manufacturer"), ("model", "model"), ("serial_number", "serialNumber"),
    ("uuid", "uuid"), ("board_serial_number", "boardSerialNumber"),
    ("chassis_type", "chassisType"), ("asset_tag", "assetTag"), ("bios_vendor", "biosVendor"),
    ("bios_version", "biosVersion"), ("bios_date", "biosDate")]] + [
    ("cpu", "device/cpu", ""), ("ram_mb", "device/ramMb", "n"),
    ("disk_total_mb", "device/disk/@totalSpaceMb", "n"),
    ("disk_available_mb", "device/disk/@availableSpaceMb", "n"),
]
SOFTWARE_COLUMNS = [("type", "@type", ""), ("name", "name", ""), ("version", "version", ""),
                    ("publisher", "publisher", ""), ("location", "location", ""),
                    ("install_date", "installDate", ""), ("size", "size", "n"),
                    ("registered_company", "registeredCompany", ""),
                    ("registered_owner", "registeredOwner", ""), ("product_id", "productId", "")]
DEVICE_CLASSES = ["monitor", "mouse", "keyboard", "cdrom", "modem", "video", "media", "network",
                  "defaultPrinter", "scsi", "usb"]


def value_at(node, path, kind=""):
    *parents, last = path.split("/")
    for name in parents:
        node = node.find(name) if node is not None else None
    if node is None:
        return None
    if last.startswith("@"):
        value = node.get(last[1:])
    else:
        element = node.find(last)
        value = None if element is None else "".join(element.itertext())
    if not value:
        return None
    if kind == "n" and re.fullmatch(r"-?[0-9]+", value):
        return int(value)
    if kind == "t":
        return value.replace("/", "-").replace(" ", "T")
    return value


def expected_rows(path):
    """{table: rows} that the database holds for the report at path (report without id, path,
    file facts and machine key)."""
    root = ET.parse(path).getroot()
    device, software = root.find("device"), root.find("software")
    rows = {"reports": [tuple(value_at(root, p, k) for _, p, k in REPORT_COLUMNS) +
                        (int(device is not None), int(software is not None))]}
    rows["software"] = [(position,) + tuple(value_at(item, p, k) for _, p, k in SOFTWARE_COLUMNS)
                        for position, item in enumerate(
                            software.findall("installed") if software is not None else [], 1)]
    drives = device.findall("disk/drive") if device is not None else []
    rows["drives"] = [(d.get("letter"), d.get("type"), value_at(d, "@totalSpaceMb", "n"),
                       value_at(d, "@availableSpaceMb", "n")) for d in drives]
    rows["devices"] = []
    for device_class in DEVICE_CLASSES if device is not None else []:
        names = [n for n in (device.findtext(device_class) or "").split(";") if n]
        rows["devices"] += [(device_class, i, n) for i, n in enumerate(names, 1)]
    return rows


def fixture_runs():
    """(fixture folder, case, command line) of every fixture run that leaves a whole report."""
    for fixture in sorted(os.listdir(os.path.join(SOURCE_DIR, "tests", "fixtures"))):
        folder = os.path.join(SOURCE_DIR, "tests", "fixtures", fixture)
        runs = os.path.join(folder, "expected", "runs.txt")
        if not os.path.isfile(runs):
            continue
        with open(os.path.join(folder, "machine.ini"), encoding="latin-1") as ini:
            if re.search(r"(?im)^\s*writeLimit\s*=", ini.read()):
                continue  # cuts its report short on purpose
        with open(runs, encoding="ascii") as lines:
            for line in lines:
                fields = line.rstrip("\n").split("\t")
                if len(fields) == 4 and fields[1] == "0" and fields[2] != "-":
                    yield folder, fields[0], fields[3]


def make_reports(out_dir, only=None):
    """Replays the fixture runs (those of the fixtures named in only, else all) into
    out_dir/<fixture>/<case>.xml; returns the paths."""
    made = []
    for folder, case, command_line in fixture_runs():
        fixture = os.path.basename(folder)
        if only and fixture not in only:
            continue
        with profiles.replay(folder, command_line, timeout=600) as done:
            left = [os.path.join(d, f) for d, _, files in os.walk(done.c_root) for f in files]
            if done.returncode != 0 or len(left) != 1:
                raise AssertionError("replay left no single report: " + done.describe())
            target = os.path.join(out_dir, fixture, case + ".xml")
            os.makedirs(os.path.dirname(target), exist_ok=True)
            shutil.copyfile(left[0], target)
            made.append(target)
    return made


if __name__ == "__main__":
    if os.path.isdir(sys.argv[1]):
        shutil.rmtree(sys.argv[1])
    print("%d reports replayed" % len(make_reports(sys.argv[1])))

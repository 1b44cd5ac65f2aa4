"""The machine that Wine presents, as a profile for sorvik-replay, and fixtures set up in Wine.

A replay is comparable with a run under Wine only when its profile describes the same machine:
the version facts that Wine reports for the chosen Windows version, the registry values that
every Wine prefix holds (its product id), the fixture's own registry files, and what Wine
changes at every process start (it files its generic monitor again). `same_machine()` writes
such a profile; `set_up()` brings a fixture into a Wine machine, translating the one
machine.ini fact that Wine takes from the registry (the default printer).

A fixture is expressible under Wine when its machine.ini names a Windows version that Wine can
present and nothing that Wine cannot (a failing version call, 9x); `expressible()` says which
version, or why not, and `code_page()` which ANSI code page the Wine machine needs.
"""

import os
import re
import shutil
import tempfile

import harness

# What Wine 8.0 reports for each version setting (measured; see test_computer.py): the
# version records, and for Vista the product type that GetProductInfo gives.
VERSIONS = {
    "nt40": dict(major=4, minor=0, build=1381, csd="Service Pack 6a", spMajor=6,
                 productType=1, suiteMask=0, productInfo=None),
    "win2k": dict(major=5, minor=0, build=2195, csd="Service Pack 4", spMajor=4,
                  productType=1, suiteMask=0, productInfo=None),
    "winxp": dict(major=5, minor=1, build=2600, csd="Service Pack 3", spMajor=3,
                  productType=1, suiteMask=0x100, productInfo=None),
    "win2003": dict(major=5, minor=2, build=3790, csd="Service Pack 2", spMajor=2,
                    productType=3, suiteMask=0x110, productInfo=None),
    "vista": dict(major=6, minor=0, build=6002, csd="Service Pack 2", spMajor=2,
                  productType=1, suiteMask=0x100, productInfo=1),
    # To a program whose manifest declares them; Wine swaps 6.1's product types, and its
    # GetProductInfo gives PRODUCT_ULTIMATE_N to a workstation, PRODUCT_STANDARD_SERVER else.
    "win7": dict(major=6, minor=1, build=7601, csd="Service Pack 1", spMajor=1,
                 productType=3, suiteMask=0x110, productInfo=0x07),
    "win2008r2": dict(major=6, minor=1, build=7601, csd="Service Pack 1", spMajor=1,
                      productType=1, suiteMask=0x100, productInfo=0x1C),
    "win8": dict(major=6, minor=2, build=9200, csd="", spMajor=0,
                 productType=1, suiteMask=0x100, productInfo=0x1C),
    "win81": dict(major=6, minor=3, build=9600, csd="", spMajor=0,
                  productType=1, suiteMask=0x100, productInfo=0x1C),
    "win10": dict(major=10, minor=0, build=18362, csd="", spMajor=0,
                  productType=1, suiteMask=0x100, productInfo=0x1C),
}

# The values of a new Wine 8.0 prefix that the compared sections read; a fixture may change them.
WINE_REG = (
    "REGEDIT4\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"ProductId\"=\"12345-oem-0000001-54321\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ProductOptions]\r\n"
    "\"ProductType\"=\"WinNT\"\r\n")

# What every process start makes of the registry, whatever was imported: Wine owns the
# generic monitor's key and files its one instance there again, dropping any other.
WINE_START_REG = (
    "REGEDIT4\r\n\r\n"
    "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor]\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\DISPLAY\\Default_Monitor\\0000&0000]\r\n"
    "\"Class\"=\"Monitor\"\r\n"
    "\"DeviceDesc\"=\"Generic Non-PnP Monitor\"\r\n")

# Where Wine's spooler keeps the default printer ("name,winspool,port").
PRINTER_KEY = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows"


def read_ini(profile):
    """A profile's machine.ini as {section: {name: value}}, names in lower case, values
    unquoted; {} when the profile has none."""
    path = os.path.join(harness.profile_path(profile), "machine.ini")
    sections = {}
    if not os.path.isfile(path):
        return sections
    current = None
    with open(path, "rb") as source:
        lines = source.read().decode("latin-1").splitlines()
    for line in lines:
        line = line.strip()
        if not line or line[0] in ";#":
            continue
        if line.startswith("["):
            current = sections.setdefault(line.strip("[]").strip().lower(), {})
        elif current is not None and "=" in line:
            name, _, value = line.partition("=")
            value = value.strip()
            if len(value) >= 2 and value[0] == value[-1] == '"':
                value = value[1:-1]
            current[name.strip().lower()] = value
    return sections


def _number(text):
    return int(text, 0)


def _is_no(text):
    return text.strip().lower() in ("no", "false", "0")


def expressible(profile):
    """(Wine version, None) for a fixture that Wine can present, else (None, reason)."""
    ini = read_ini(profile)
    version = ini.get("version", {})
    if _is_no(version.get("works", "yes")) or _is_no(version.get("extendedworks", "yes")):
        return None, "its version call fails, which Wine cannot present"
    if code_page(profile) not in harness.WineMachine.LOCALES:
        return None, "Wine is given no locale for its ANSI code page here"
    for name in sorted(os.listdir(harness.profile_path(profile))):
        if name.lower().endswith(".reg"):
            with open(os.path.join(harness.profile_path(profile), name), "rb") as source:
                data = source.read()
            text = data.decode("utf-16-le" if data.startswith(b"\xff\xfe") else "latin-1")
            if re.search(r"^\s*\[-?HKEY_DYN_DATA", text, re.M | re.I):
                return None, "%s writes HKEY_DYN_DATA, which regedit cannot import" % name
    printer = ini.get("printer", {})
    if "," in printer.get("name", "") or "," in printer.get("port", ""):
        return None, "its printer name or port holds a comma, which Wine's setting cannot"
    platform = _number(version.get("platform", "2"))
    major = _number(version.get("major", "5"))
    minor = _number(version.get("minor", "1"))
    server = _number(version.get("producttype", "1")) != 1
    if platform != 2:
        return None, "platform %d: Wine presents only NT versions here" % platform
    if major == 4:
        return "nt40", None
    if (major, minor, server) == (5, 2, True):
        return "win2003", None
    if (major, minor, server) == (6, 0, False):
        return "vista", None
    name = {(5, 0): "win2k", (5, 1): "winxp"}.get((major, minor))
    if name is None:
        return None, "Wine presents no version %d.%d %s here" % (
            major, minor, "server" if server else "workstation")
    return name, None


def code_page(profile):
    """The ANSI code page of a profile's machine (1252 unless its machine.ini says)."""
    return _number(read_ini(profile).get("text", {}).get("ansicodepage", "1252"))


def printer_reg(profile):
    """A REGEDIT4 text that makes the profile's default printer Wine's, or None."""
    printer = read_ini(profile).get("printer", {})
    if not printer.get("name"):
        return None
    device = "%s,winspool,%s" % (printer["name"], printer.get("port", ""))
    return "REGEDIT4\r\n\r\n[%s]\r\n\"Device\"=\"%s\"\r\n" % (
        PRINTER_KEY, device.replace("\\", "\\\\").replace('"', '\\"'))


def set_up(wine, *profiles):
    """Imports the profiles' registry files into a Wine machine (HARDWARE keys volatile) and
    makes the default printer of the last one that names one Wine's default printer."""
    for profile in profiles:
        wine.load_profile(profile)
    set_up_printer(wine, *profiles)


def set_up_printer(wine, *profiles):
    """Makes the default printer of the last profile that names one Wine's default printer."""
    printer = None
    for profile in profiles:
        printer = printer_reg(profile) or printer
    if printer is not None:
        wine.import_reg(printer)


def ini_text(version, profiles=(), extra=""):
    """The machine.ini of the Wine machine presenting `version`, with the default printer of
    the profiles (the last one that names one), the last one's code page, and `extra` lines
    appended."""
    facts = VERSIONS[version]
    lines = [
        "; The machine that Wine 8.0 presents as %s." % version,
        "[version]",
        "major = %d" % facts["major"],
        "minor = %d" % facts["minor"],
        "build = %d" % facts["build"],
        "platform = 2",
        'csd = "%s"' % facts["csd"],
        "servicePackMajor = %d" % facts["spMajor"],
        "servicePackMinor = 0",
        "productType = %d" % facts["productType"],
        "suiteMask = 0x%x" % facts["suiteMask"],
        "[kernel32]",
        "GetProductInfo = %s" % ("yes" if facts["productInfo"] is not None else "no"),
        "productInfoType = %d" % (facts["productInfo"] or 0),
    ] + harness.profile_processor_lines() + [
        "[files]",
        "modulePath = C:\\sorvik\\sorvik.exe",
        "tempPath = C:\\TEMP\\",
        "[registry]",
        "dynData = no",
    ]
    printer = None
    for profile in profiles:
        printer = read_ini(profile).get("printer") or printer
    if printer and printer.get("name"):
        lines += ["[printer]", 'name = "%s"' % printer["name"],
                  'port = "%s"' % printer.get("port", "")]
    if profiles:
        lines += ["[text]", "ansiCodePage = %d" % code_page(profiles[-1])]
    return "\r\n".join(lines) + "\r\n" + extra


def same_machine(testcase, version, profiles=(), extra_ini="", extra_regs=(), amend=None):
    """Writes (in a folder removed after the test) the profile of a Wine machine presenting
    `version` into which the profiles were set up: Wine's facts and base registry, then each
    profile's registry files in their order (each followed by the REGEDIT4 text that `amend`
    gives for its file name, if any), then `extra_regs` (texts or bytes), then what Wine
    changes at a process start. Returns its path."""
    folder = tempfile.mkdtemp(prefix="sorvik-same-machine-")
    testcase.addCleanup(shutil.rmtree, folder, True)
    with open(os.path.join(folder, "machine.ini"), "wb") as ini:
        ini.write(ini_text(version, profiles, extra_ini).encode("latin-1"))
    with open(os.path.join(folder, "00-wine.reg"), "wb") as reg:
        reg.write(WINE_REG.encode("latin-1"))
    for number, profile in enumerate(profiles, 1):
        source = harness.profile_path(profile)
        for name in sorted(os.listdir(source)):
            if name.lower().endswith(".reg"):
                shutil.copyfile(os.path.join(source, name),
                                os.path.join(folder, "%02d-%s" % (number, name)))
                if amend and name in amend:
                    with open(os.path.join(folder, "%02d-%s~amend.reg" % (number, name)),
                              "wb") as reg:
                        reg.write(amend[name].encode("latin-1"))
    for number, data in enumerate(extra_regs, 1):
        with open(os.path.join(folder, "90-extra-%02d.reg" % number), "wb") as reg:
            reg.write(data if isinstance(data, bytes) else data.encode("latin-1"))
    with open(os.path.join(folder, "99-wine-start.reg"), "wb") as reg:
        reg.write(WINE_START_REG.encode("latin-1"))
    return folder

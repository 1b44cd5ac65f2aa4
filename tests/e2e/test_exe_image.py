"""The shipped sorvik.exe: a 32-bit GUI program that needs nothing beyond what Windows ships.

These checks read the i686 build whatever runner the Wine tests use: a 64-bit run can't show
what only the 32-bit program can get wrong."""

import os
import re
import shutil
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

import harness

OBJDUMP = "i686-w64-mingw32-objdump"
OBJDUMP_64 = "x86_64-w64-mingw32-objdump"

# DLLs that every supported Windows version has (msvcrt.dll is there from Windows 95 OSR2 and
# NT 4.0 on). Anything else, such as the MinGW runtime's own DLLs, would have to be shipped.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "shlwapi.dll",
    "ws2_32.dll", "wsock32.dll", "winspool.drv", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "version.dll",
}

# Newer than the oldest supported systems: looked up at run time, never imported.
RUN_TIME_ONLY = {"GlobalMemoryStatusEx", "GetDiskFreeSpaceExA", "GetProductInfo",
                 "GetNativeSystemInfo"}

# KERNEL32 functions that a language runtime may pull in, with the first Windows that has
# them. A static import of any of them stops the program from loading on older systems
# (the posix-threads flavour of MinGW's runtime imports the first three).
NEWER_KERNEL32 = {
    "GetTickCount64": "Vista", "AddVectoredExceptionHandler": "XP",
    "RemoveVectoredExceptionHandler": "XP", "InitializeConditionVariable": "Vista",
    "SleepConditionVariableCS": "Vista", "WakeConditionVariable": "Vista",
    "WakeAllConditionVariable": "Vista", "InitializeSRWLock": "Vista",
    "AcquireSRWLockExclusive": "Vista", "ReleaseSRWLockExclusive": "Vista",
    "InitOnceExecuteOnce": "Vista", "GetSystemTimePreciseAsFileTime": "8",
    "GetModuleHandleExA": "XP", "GetModuleHandleExW": "XP", "AttachConsole": "XP",
}


# The manifest's supportedOS ids: Vista, 7, 8, 8.1, and 10 (also 11). Without the last two,
# Windows 8.1 and later report 6.2 to GetVersionEx.
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}


def manifest(path, dump):
    """The parsed application manifest of an exe: the resource of type RT_MANIFEST (24) and id
    1 must be there; its text is found in the image as the resource compiler stored it."""
    if not re.search(r"Type Table:.*\n.*Entry: ID: 0x000018,.*\n.*Name Table:.*\n"
                     r".*Entry: ID: 0x000001,", dump):
        return None
    with open(path, "rb") as image:
        data = image.read()
    start = data.rfind(b"<?xml", 0, data.find(b"<assembly"))  # not the report's declaration
    end = data.find(b"</assembly>", start)
    if start < 0 or end < 0:
        return None
    return ElementTree.fromstring(data[start:end + len(b"</assembly>")])


def imports(dump):
    """{dll name: [imported function names or "ordinal N"]} from `objdump -p` output."""
    table = {}
    current = None
    for line in dump.splitlines():
        match = re.match(r"\s*DLL Name: (\S+)", line)
        if match:
            current = table.setdefault(match.group(1), [])
            continue
        if current is None:
            continue
        if not line.strip() or line.lstrip().startswith("vma:"):
            if not line.strip():
                current = None
            continue
        fields = line.split()
        if len(fields) >= 3 and re.fullmatch(r"[0-9a-f]+", fields[0]):
            # An import by ordinal has no name: "800000c9  201  <none>".
            current.append("ordinal " + fields[1] if fields[2] == "<none>" else fields[2])
    return table


class ExeImage(unittest.TestCase):
    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.dump = None

    def setUp(self):
        if not os.path.isfile(harness.product_exe()):
            self.fail("the i686 sorvik.exe is not at %s: cmake --preset win32 && cmake --build "
                      "--preset win32" % harness.product_exe())
        if shutil.which(OBJDUMP) is None:
            self.fail("%s is not on PATH: run scripts/install-deps.sh" % OBJDUMP)
        if ExeImage.dump is None:
            result = subprocess.run([OBJDUMP, "-p", harness.product_exe()], stdout=subprocess.PIPE,
                                    stderr=subprocess.PIPE, timeout=60)
            self.assertEqual(result.returncode, 0, result.stderr.decode("utf-8", "replace"))
            ExeImage.dump = result.stdout.decode("utf-8", "replace")

    def test_is_a_32_bit_gui_program(self):
        self.assertIn("file format pei-i386", self.dump)
        self.assertRegex(self.dump, r"Magic\s+010b\s+\(PE32\)")
        self.assertRegex(self.dump, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports_only_dlls_that_windows_ships(self):
        table = imports(self.dump)
        self.assertIn("kernel32.dll", {name.lower() for name in table}, self.dump)
        foreign = sorted(name for name in table if name.lower() not in SYSTEM_DLLS)
        self.assertEqual(foreign, [], "DLLs Windows does not ship: %s" % foreign)

    def test_newer_functions_are_not_imported(self):
        imported = {function for functions in imports(self.dump).values()
                    for function in functions}
        self.assertEqual(sorted(imported & RUN_TIME_ONLY), [],
                         "these must be looked up with GetProcAddress")

    def test_runtime_needs_nothing_newer_than_the_oldest_target(self):
        kernel32 = {function for name, functions in imports(self.dump).items()
                    if name.lower() == "kernel32.dll" for function in functions}
        found = {function: "Windows " + NEWER_KERNEL32[function]
                 for function in kernel32 & set(NEWER_KERNEL32)}
        self.assertEqual(found, {}, "imports that older Windows versions lack")

    def test_carries_the_manifest_that_declares_the_supported_systems(self):
        self.check_manifest(harness.product_exe(), self.dump)
        # The x86_64 test vehicle is built from the same sources; where it is built, it too.
        vehicle = os.path.join(harness.SOURCE_DIR, "build", "win64", "sorvik.exe")
        if os.path.isfile(vehicle) and shutil.which(OBJDUMP_64):
            dump = subprocess.run([OBJDUMP_64, "-p", vehicle], stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=60).stdout
            self.check_manifest(vehicle, dump.decode("utf-8", "replace"))

    def check_manifest(self, exe, dump):
        root = manifest(exe, dump)
        self.assertIsNotNone(root, "%s: no application manifest resource (RT_MANIFEST, id 1)"
                             % exe)
        ids = {element.get("Id").lower() for element in root.iter()
               if element.tag.endswith("}supportedOS")}
        self.assertEqual(ids, SUPPORTED_OS, exe)
        levels = [element.attrib for element in root.iter()
                  if element.tag.endswith("}requestedExecutionLevel")]
        self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}], exe)

    def test_default_printer_query_is_imported_by_ordinal(self):
        spooler = {name.lower(): functions for name, functions in imports(self.dump).items()}
        if "winspool.drv" not in spooler:
            self.skipTest("no spooler import yet")
        self.assertIn("ordinal 201", spooler["winspool.drv"])


class LateBoundFunctions(unittest.TestCase):
    """A looked-up function whose pointer type lacks WINAPI breaks the stack of the i686 build
    only; LookUpFunction refuses such a type when the i686 build compiles. Nothing may go
    around it."""

    def test_every_lookup_goes_through_the_guarded_helper(self):
        callers = []
        for folder in ("app", "common", "report", "sysid", "hardware", "software"):
            for root, _, names in os.walk(os.path.join(harness.SOURCE_DIR, folder)):
                for name in names:
                    path = os.path.join(root, name)
                    with open(path, encoding="utf-8", errors="replace") as source:
                        if "GetProcAddress" in source.read():
                            callers.append(os.path.relpath(path, harness.SOURCE_DIR))
        self.assertEqual(callers, ["common/late_bound.h"])


class ImportTableParsing(unittest.TestCase):
    DUMP = """
The Import Tables (interpreted .idata section contents)
 vma:            Hint    Time      Forward  DLL       First
                 Table   Stamp     Chain    Name      Thunk
 00007000       00007050 00000000 00000000 00007400 000070e0

\tDLL Name: KERNEL32.dll
\tvma:  Hint/Ord Member-Name Bound-To
\t7184\t  277  DeleteCriticalSection
\t719c\t  310  GetProcAddress

\tDLL Name: WINSPOOL.DRV
\tvma:  Hint/Ord Member-Name Bound-To
\t800000c9\t  201  <none>

"""

    def test_names_and_ordinals(self):
        self.assertEqual(imports(self.DUMP), {
            "KERNEL32.dll": ["DeleteCriticalSection", "GetProcAddress"],
            "WINSPOOL.DRV": ["ordinal 201"],
        })


if __name__ == "__main__":
    unittest.main()

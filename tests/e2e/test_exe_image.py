"""The shipped sorvik.exe (the i686 build, whatever runner the Wine tests use): a 32-bit GUI
program that imports nothing beyond what the oldest supported Windows ships, and carries the
manifest that lets newer Windows tell its version."""

import os
import re
import shutil
import subprocess
import unittest
from unittest import mock
import xml.etree.ElementTree as ElementTree

import harness

# DLLs that every supported Windows version has (msvcrt.dll from Windows 95 OSR2 and NT 4.0
# on); anything else, such as the MinGW runtime's own DLLs, would have to be shipped.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll",
               "shlwapi.dll", "ws2_32.dll", "wsock32.dll", "winspool.drv", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "comctl32.dll", "version.dll"}
# Functions older systems lack: the program looks them up at run time; a language runtime may
# pull in the others (the posix-threads flavour of MinGW's imports the vectored handlers).
NOT_IMPORTED = {"GlobalMemoryStatusEx", "GetDiskFreeSpaceExA", "GetProductInfo",
                "GetNativeSystemInfo", "GetTickCount64", "AddVectoredExceptionHandler",
                "RemoveVectoredExceptionHandler", "InitializeConditionVariable",
                "SleepConditionVariableCS", "WakeConditionVariable", "WakeAllConditionVariable",
                "InitializeSRWLock", "AcquireSRWLockExclusive", "ReleaseSRWLockExclusive",
                "InitOnceExecuteOnce", "GetSystemTimePreciseAsFileTime", "GetModuleHandleExA",
                "GetModuleHandleExW", "AttachConsole"}
# The manifest's supportedOS ids: Vista, 7, 8, 8.1 and 10 (also 11).
SUPPORTED_OS = {"{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def dump(objdump, exe, testcase):
    if not os.path.isfile(exe) or shutil.which(objdump) is None:
        testcase.fail("%s or %s is missing: cmake --preset win32 && cmake --build --preset win32"
                      % (exe, objdump))
    return subprocess.run([objdump, "-p", exe], stdout=subprocess.PIPE, check=True,
                          timeout=60).stdout.decode("utf-8", "replace")


def imports(text):
    """{dll name in lower case: [function names, or "ordinal N"]} from `objdump -p`."""
    table = {}
    for block in re.split(r"\n\s*DLL Name: ", text)[1:]:
        names = re.findall(r"^\s*[0-9a-f]+\s+(\d+)\s+(\S+)", block.split("\n\n")[0], re.M)
        table[block.split()[0].lower()] = [
            "ordinal " + hint if name == "<none>" else name for hint, name in names]
    return table


class ExeImage(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.dump = dump("i686-w64-mingw32-objdump", harness.product_exe(), self)

    def test_a_32_bit_gui_program(self):
        self.assertIn("file format pei-i386", self.dump)
        self.assertRegex(self.dump, r"Magic\s+010b\s+\(PE32\)")
        self.assertRegex(self.dump, r"Subsystem\s+00000002\s+\(Windows GUI\)")

    def test_imports(self):
        table = imports(self.dump)
        self.assertIn("GetVersionExA", table.get("kernel32.dll", []), self.dump)
        self.assertEqual(sorted(set(table) - SYSTEM_DLLS), [], "DLLs Windows does not ship")
        self.assertEqual(sorted(NOT_IMPORTED & set(table.get("kernel32.dll", []))), [])
        self.assertIn("ordinal 201", table.get("winspool.drv", []), "the default printer query")

    def test_manifest_declares_the_supported_systems(self):
        exes = [(harness.product_exe(), self.dump)]
        vehicle = os.path.join(harness.SOURCE_DIR, "build", "win64", "sorvik.exe")
        if os.path.isfile(vehicle):  # the x86_64 test build, from the same sources
            exes.append((vehicle, dump("x86_64-w64-mingw32-objdump", vehicle, self)))
        for exe, text in exes:
            # The resource of type RT_MANIFEST (24) and id 1; its text as the compiler stored it.
            self.assertRegex(text, r"Type Table:.*\n.*Entry: ID: 0x000018,.*\n.*Name Table:.*\n"
                             r".*Entry: ID: 0x000001,", exe)
            with open(exe, "rb") as image:
                data = image.read()
            start = data.rfind(b"<?xml", 0, data.find(b"<assembly"))
            root = ElementTree.fromstring(data[start:data.find(b"</assembly>") + 11])
            self.assertEqual({element.get("Id").lower() for element in root.iter()
                              if element.tag.endswith("}supportedOS")}, SUPPORTED_OS, exe)
            self.assertEqual([element.attrib for element in root.iter()
                              if element.tag.endswith("}requestedExecutionLevel")],
                             [{"level": "asInvoker", "uiAccess": "false"}], exe)


class ForcedRunner(unittest.TestCase):
    def test_a_forced_runner_that_cannot_run_fails_even_when_skipping_is_allowed(self):
        environment = {"SORVIK_E2E_ARCH": "win32", "SORVIK_SKIP_WINE": "1"}
        self.addCleanup(harness.runner.cache_clear)
        with mock.patch.dict(harness.LOADERS, {"win32": "/bin/false"}), \
                mock.patch.dict(harness.os.environ, environment):
            harness.runner.cache_clear()
            with self.assertRaisesRegex(AssertionError, "^/bin/false --version exited 1"):
                try:
                    harness.require_wine(self)
                except unittest.SkipTest as skip:
                    self.fail("skipped: %s" % skip)

"""sorvik-fleet.exe, the Windows build of sorvik-fleet, under 64-bit Wine beside the Linux build,
on the same reports that sorvik-replay made from the fixtures: the same databases row by row,
CSV and page byte for byte, where only the paths' form differs; the same rejections of hostile
files; Windows paths (non-ASCII, forward slashes, past MAX_PATH); and the exe's form. CTest sets
SORVIK_E2E_ARCH=win64 and hands over the Linux build (SORVIK_FLEET) and the replayed reports
(SORVIK_FLEET_REPORTS)."""

import glob
import html
import json
import os
import re
import shlex
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

import harness
import test_exe_image

sys.path.insert(0, os.path.join(harness.SOURCE_DIR, "tests", "fleet"))
import reports  # noqa: E402  (the fleet tests' replayed reports and the Linux build's path)

FLEET_EXE = harness._path_from_env("SORVIK_FLEET_EXE", "build/win64/sorvik-fleet.exe")
EXE = "C:\\fleet\\sorvik-fleet.exe"
# What Windows 10 and Server 2016 ship; MinGW's own runtime DLLs would have to be shipped.
SYSTEM_DLLS = {"kernel32.dll", "msvcrt.dll", "shell32.dll", "advapi32.dll", "user32.dll",
               "ws2_32.dll", "ole32.dll", "bcrypt.dll"}
SUMMARY = re.compile(r"ingested: \d+ new, \d+ updated, \d+ unchanged, \d+ rejected")


def replayed():
    folder = os.environ.get("SORVIK_FLEET_REPORTS")
    if not folder:
        folder = tempfile.mkdtemp(prefix="fleet-reports-")
        reports.make_reports(folder)
    found = sorted(glob.glob(os.path.join(folder, "*", "*.xml")))
    if not found:
        raise AssertionError("no replayed reports in " + folder)
    return found


def table_rows(db):
    """{table or view: rows in order of their first columns} of a database."""
    with sqlite3.connect(db) as connection:
        names = [name for name, in connection.execute(
            "SELECT name FROM sqlite_master WHERE type IN ('table', 'view') ORDER BY name")]
        return {name: connection.execute('SELECT * FROM "%s" ORDER BY 1, 2, 3' % name).fetchall()
                for name in names}


class FleetExe(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        if harness.arch() != "win64":
            self.fail("this module needs a 64-bit prefix: SORVIK_E2E_ARCH=win64 (CTest sets it)")
        for program in (FLEET_EXE, reports.FLEET):
            if not os.path.isfile(program):
                self.fail("%s not found: build the win64 and native presets" % program)
        self.wine = self.machine(version="win10")
        self.wine.put_file(EXE, harness._read(FLEET_EXE))
        self.wine.make_dir("C:\\out")
        self.pairs = []  # (Windows path, Linux path) of every file and folder placed

    def place(self, windows_path, data=None, source=None, mtime=1_700_000_000):
        host = self.wine.host_path(windows_path)
        os.makedirs(os.path.dirname(host), exist_ok=True)
        if source:
            shutil.copyfile(source, host)
        else:
            with open(host, "wb") as out:
                out.write(data)
        os.utime(host, (mtime, mtime))
        self.pairs.append((windows_path, host))
        return host

    def windows(self, *args, status=None):
        run = self.wine.wine(EXE, *args, timeout=600, check=False)
        if status is not None and run.returncode != status:
            self.fail_with("sorvik-fleet.exe %s exited %d" % (args, run.returncode), self.wine)
        return run.returncode, run.stdout.decode("utf-8").replace("\r\n", "\n"), \
            run.stderr.decode("utf-8").replace("\r\n", "\n")

    def linux(self, *args):
        run = subprocess.run([reports.FLEET] + list(args), capture_output=True, timeout=600)
        return run.returncode, run.stdout.decode("utf-8"), run.stderr.decode("utf-8")

    def as_linux(self, text):
        """Text of the Windows build with each placed Windows path, in every form the outputs
        write it (plain, JSON, HTML), as the Linux build's path."""
        if "C:\\" not in text and "C:\\\\" not in text:
            return text
        for windows, linux in sorted(self.pairs, key=lambda pair: -len(pair[0])):
            for form in (lambda p: p, lambda p: json.dumps(p)[1:-1],
                         lambda p: json.dumps(p, ensure_ascii=False)[1:-1], html.escape):
                text = text.replace(form(windows), form(linux))
        return text

    def as_linux_rows(self, rows):
        return [tuple(self.as_linux(v) if isinstance(v, str) else v for v in row) for row in rows]

    def test_same_database_csv_and_page_as_the_linux_build(self):
        windows_files = []
        for number, source in enumerate(replayed()):
            fixture, case = os.path.basename(os.path.dirname(source)), os.path.basename(source)
            windows_files.append("C:\\share\\%s\\%s" % (fixture, case))
            # A deterministic shuffle of the times, so that the newest is not always the last.
            self.place(windows_files[-1], source=source,
                       mtime=1_700_000_000 + (number * 7919) % 1009)
        linux_files = [self.wine.host_path(p) for p in windows_files]
        linux_db = os.path.join(self.wine.root, "linux.db")
        # Named one by one in one order, so that both builds number the reports alike.
        linux_run = self.linux("ingest", linux_db, *linux_files)
        windows_run = self.windows("ingest", "C:\\out\\fleet.db", *windows_files)
        self.assertEqual(windows_run[0], linux_run[0], windows_run[2])
        self.assertEqual(windows_run[1], linux_run[1])
        self.assertEqual(self.as_linux(windows_run[2]), linux_run[2])

        linux_tables = table_rows(linux_db)
        windows_tables = table_rows(self.wine.host_path("C:\\out\\fleet.db"))
        self.assertEqual(sorted(windows_tables), sorted(linux_tables))
        for name, rows in linux_tables.items():
            with self.subTest(table=name):
                self.assertEqual(len(windows_tables[name]), len(rows))
                self.assertEqual(self.as_linux_rows(windows_tables[name]), rows)
        self.assertIn("C:\\share\\", windows_tables["reports"][0][1])

        outputs = [("csv", "machines", "machines.csv"), ("csv", "software", "software.csv"),
                   ("html", "fleet.html")]
        for command, *what, name in outputs:
            with self.subTest(output=name):
                linux_out = os.path.join(self.wine.root, name)
                linux_run = self.linux(command, linux_db, *what, linux_out)
                windows_run = self.windows(command, "C:\\out\\fleet.db", *what, "C:\\out\\" + name)
                self.assertEqual(windows_run[0], linux_run[0], windows_run[2])
                if linux_run[0] != 0:
                    continue  # failed alike, and written by neither
                linux_bytes = harness._read(linux_out)
                windows_bytes = self.wine.read_file("C:\\out\\" + name)
                self.assertEqual(self.as_linux(windows_bytes.decode("utf-8")),
                                 linux_bytes.decode("utf-8"))

    def test_hostile_files_and_windows_names(self):
        sources = replayed()
        data = harness._read(sources[0])
        laughs = "<!DOCTYPE sorvik [<!ENTITY a \"lol\">" + "".join(
            '<!ENTITY %s "%s">' % (chr(98 + i), ("&%s;" % chr(97 + i)) * 10)
            for i in range(9)) + "]>"
        hostile = {
            "empty.xml": b"",
            "cut.xml": data[:len(data) // 2],
            "text.XML": b"just text\r\n",
            "other-root.xml": data.replace(b"<sorvik ", b"<other ").replace(b"</sorvik>",
                                                                             b"</other>"),
            "bad-utf8.xml": data.replace(b"<userName>", b"<userName>\xc3\x28"),
            "external.xml": data.replace(b"\r\n<sorvik", b"\r\n<!DOCTYPE sorvik [<!ENTITY e "
                                         b"SYSTEM \"file:///etc/passwd\">]>\r\n<sorvik", 1),
            "laughs.xml": data.replace(b"\r\n<sorvik", ("\r\n" + laughs + "\r\n<sorvik").encode(), 1),
            "sub\\Ωmega ;cut.xml": data[:700],
        }
        for name, content in hostile.items():
            self.place("C:\\drop\\" + name, content)
        with open(self.place("C:\\drop\\huge.xml", b""), "wb") as huge:
            huge.truncate(100 << 20)
        good = ["C:\\drop\\Zoë 日本 ;x.XML", "C:\\drop\\sub\\deeper\\ñandú.xml", "C:\\drop\\a.xml"]
        # Deeper than MAX_PATH (260 characters), where plain Win32 calls stop.
        deep = "C:\\drop\\" + "\\".join("folder%02d-%s" % (i, "x" * 40) for i in range(6))
        good.append(deep + "\\long.xml")
        for name, source in zip(good, sources[1:]):
            self.place(name, source=source)
        self.place("C:\\drop\\notes.txt", b"not a report")
        self.assertGreater(len(good[-1]), 260)

        # A database past MAX_PATH too, with a non-ASCII name.
        database_folder = "C:\\out\\" + "\\".join("db%d-%s" % (i, "z" * 50) for i in range(5))
        self.wine.make_dir(database_folder)
        database = database_folder + "\\flotte 日本.db"
        self.assertGreater(len(database), 260)
        linux_db = os.path.join(self.wine.root, "linux.db")
        linux_run = self.linux("ingest", linux_db, self.wine.host_path("C:\\drop"))
        windows_run = self.windows("ingest", database, "C:\\drop", status=1)
        self.assertEqual(windows_run[1], linux_run[1])
        self.assertEqual(SUMMARY.findall(windows_run[1]),
                         ["ingested: %d new, 0 updated, 0 unchanged, %d rejected"
                          % (len(good), len(hostile) + 1)])
        self.assertEqual(sorted(self.as_linux(windows_run[2]).splitlines()),
                         sorted(linux_run[2].splitlines()))
        self.assertIn("C:\\drop\\huge.xml: larger than 64 MB", windows_run[2])

        host_db = self.wine.host_path(database)
        self.assertTrue(os.path.isfile(host_db), "the database's long non-ASCII name")
        with sqlite3.connect(host_db) as connection:
            stored = sorted(p for p, in connection.execute("SELECT path FROM reports"))
        self.assertEqual(stored, sorted(good))

        # The same files by another spelling of the folder: the same paths, nothing new.
        again = self.windows("ingest", database, "c:/drop/./sub/..", "--prune", status=1)
        self.assertIn("ingested: 0 new, 0 updated, %d unchanged, %d rejected"
                      % (len(good), len(hostile) + 1), again[1])
        self.assertIn("pruned: 0 ", again[1])

    def test_a_share_by_unc_path(self):
        # Wine serves \\server\share from the prefix's dosdevices/unc/server/share.
        unc = os.path.join(self.wine.prefix, "dosdevices", "unc", "server")
        os.makedirs(unc)
        os.symlink(self.wine.host_path("C:\\srv\\inventory"), os.path.join(unc, "inventory$"))
        names = ["PC1 Zoë.xml", "\\".join(["site%d-%s" % (i, "y" * 60) for i in range(4)]) +
                 "\\PC2.xml"]
        for name, source in zip(names, replayed()):
            self.place("C:\\srv\\inventory\\" + name, source=source)
        share = "\\\\server\\inventory$"
        first = self.windows("ingest", "C:\\out\\unc.db", share, status=0)
        self.assertIn("ingested: 2 new, 0 updated, 0 unchanged, 0 rejected", first[1])
        with sqlite3.connect(self.wine.host_path("C:\\out\\unc.db")) as connection:
            stored = sorted(p for p, in connection.execute("SELECT path FROM reports"))
        self.assertEqual(stored, sorted(share + "\\" + name for name in names))
        self.assertGreater(max(map(len, stored)), 260)
        again = self.windows("ingest", "C:\\out\\unc.db", share + "\\", "--prune", status=0)
        self.assertIn("pruned: 0 ", again[1])
        self.assertIn("ingested: 0 new, 0 updated, 2 unchanged, 0 rejected", again[1])

    def test_the_console_shows_names_in_any_script(self):
        self.place("C:\\drop\\Zoë 日本.xml", b"<broken")
        # On a terminal Wine gives the program a console (and draws it with escape sequences).
        line = shlex.join([harness.loader(), EXE, "ingest", "C:\\out\\fleet.db", "C:\\drop"])
        run = subprocess.run(["script", "-qc", line, "/dev/null"], env=self.wine.env,
                             stdin=subprocess.DEVNULL, capture_output=True, timeout=120)
        shown = re.sub(rb"\x1b\[[?0-9;]*[A-Za-z]", b"", run.stdout).decode("utf-8", "replace")
        self.assertIn("C:\\drop\\Zoë日本.xml:notwell-formed", shown.replace(" ", ""), shown)
        self.assertIn("ingested:0new,0updated,0unchanged,1rejected", shown.replace(" ", ""))


class FleetExeImage(unittest.TestCase):
    def test_a_64_bit_console_program_on_windows_own_dlls(self):
        text = test_exe_image.dump("x86_64-w64-mingw32-objdump", FLEET_EXE, self)
        self.assertIn("file format pei-x86-64", text)
        self.assertRegex(text, r"Magic\s+020b\s+\(PE32\+\)")
        self.assertRegex(text, r"Subsystem\s+00000003\s+\(Windows CUI\)")
        table = test_exe_image.imports(text)
        self.assertIn("CommandLineToArgvW", table.get("shell32.dll", []))
        self.assertEqual(sorted(set(table) - SYSTEM_DLLS), [], "DLLs Windows does not ship")

#!/usr/bin/env python3
"""sorvik-fleet on reports that sorvik-replay made from the fixtures (SORVIK_FLEET_REPORTS, made
by reports.py; replayed here when unset): what ingest stores, what it rejects, what survives a
kill, two runs at once, the CSV, and the example queries of docs/fleet.md.

    test_fleet.py [unittest arguments, e.g. a class name: Content, Hostile, Crash]
"""
import csv
import hashlib
import io
import os
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reports  # noqa: E402



def some(*fixtures):
    return [p for p in reports.replayed() if os.path.basename(os.path.dirname(p)) in fixtures]


def fleet(*args, env=None):
    if not os.path.isfile(reports.FLEET):
        raise AssertionError("%s not found: build the native preset" % reports.FLEET)
    return subprocess.run([reports.FLEET] + [str(a) for a in args], capture_output=True,
                          text=True, env=dict(os.environ, **(env or {})), timeout=600)


def summary(run):
    last = run.stdout.splitlines()[-1]
    match = re.fullmatch(r"ingested: (\d+) new, (\d+) updated, (\d+) unchanged, (\d+) rejected",
                         last)
    if not match:
        raise AssertionError("no summary line: %r\n%s" % (run.stdout, run.stderr))
    return tuple(int(n) for n in match.groups())


def query(db, sql, *args):
    with sqlite3.connect(db) as connection:
        return connection.execute(sql, args).fetchall()


def read(path):
    with open(path, "rb") as stream:
        return stream.read()


def digest(path):
    return hashlib.sha256(read(path)).hexdigest()


class FleetCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="fleet-test-")
        self.db = os.path.join(self.dir, "fleet.db")
        self.share = os.path.join(self.dir, "share")
        os.makedirs(self.share)

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def place(self, sources, mtime_base=1_700_000_000):
        """Copies reports into the share (as FIXTURE-CASE.xml), each with its own mtime."""
        placed = []
        for number, source in enumerate(sources):
            name = "%s-%s" % (os.path.basename(os.path.dirname(source)), os.path.basename(source))
            target = os.path.join(self.share, name)
            shutil.copyfile(source, target)
            # A deterministic shuffle, so that the newest report is not always the last case.
            os.utime(target, (0, mtime_base + (number * 7919) % 1009))
            placed.append(target)
        return placed

    def write(self, name, data):
        path = os.path.join(self.share, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as stream:
            stream.write(data if isinstance(data, bytes) else data.encode("utf-8"))
        return path

    def ingest(self, *paths, status=0, env=None):
        run = fleet("ingest", self.db, *(paths or [self.share]), env=env)
        self.assertEqual(run.returncode, status, run.stdout + run.stderr)
        return run

    def assert_whole(self, db=None):
        """The database passes integrity_check and each report has all of its rows."""
        db = db or self.db
        self.assertEqual(query(db, "PRAGMA integrity_check"), [("ok",)])
        for report_id, path in query(db, "SELECT id, path FROM reports"):
            expected = reports.expected_rows(path)
            for table in ("software", "drives", "devices"):
                count = query(db, "SELECT COUNT(*) FROM %s WHERE report_id = ?" % table,
                              report_id)[0][0]
                self.assertEqual(count, len(expected[table]), "%s of %s" % (table, path))


def machine_key(row, path):
    """The machine key rule of docs/fleet.md, written again from the page."""
    uuid, maker, serial, name = row
    with open(os.path.join(reports.SOURCE_DIR, "docs", "fleet.md"), encoding="utf-8") as doc:
        text = doc.read()
    uuids = re.findall(r"^- `([0-9A-F-]{36})`$", text, re.M)
    serials_text = re.search(r"Placeholder serial numbers: (.*?)\.\n\n", text, re.S).group(1)
    serials = [s.upper() for s in re.findall(r"`([^`]*)`", serials_text)]
    if uuid and uuid.strip().upper() not in uuids:
        return "uuid:" + uuid
    if serial and serial.strip().upper() not in serials:
        return "serial:%s|%s" % ((maker or "").upper(), serial)
    if name:
        return "name:" + re.sub("[a-z]+", lambda m: m.group(0).upper(), name)
    return "file:" + path


class Content(FleetCase):
    def test_every_value_of_every_report(self):
        placed = self.place(reports.replayed())
        self.assertEqual(summary(self.ingest()), (len(placed), 0, 0, 0))
        columns = [c for c, _, _ in reports.REPORT_COLUMNS] + ["has_device", "has_software"]
        software = ", ".join(["position"] + [c for c, _, _ in reports.SOFTWARE_COLUMNS])
        for path in placed:
            with self.subTest(report=path):
                expected = reports.expected_rows(path)
                (report_id, *stored), = query(
                    self.db, "SELECT id, %s FROM reports WHERE path = ?" % ", ".join(columns), path)
                self.assertEqual([tuple(stored)], expected["reports"])
                for table, sql in [
                        ("software", "SELECT %s FROM software WHERE report_id = ? ORDER BY position"
                         % software),
                        ("drives", "SELECT letter, type, total_mb, available_mb FROM drives "
                         "WHERE report_id = ? ORDER BY letter"),
                        ("devices", "SELECT class, position, name FROM devices WHERE report_id = ?")]:
                    rows = query(self.db, sql, report_id)
                    if table == "devices":
                        order = reports.DEVICE_CLASSES
                        rows.sort(key=lambda r: (order.index(r[0]), r[1]))
                    self.assertEqual(rows, expected[table], table)

    def test_views_pick_each_machines_newest_reports(self):
        placed = self.place(reports.replayed())
        self.ingest()
        stored = query(self.db, "SELECT id, path, created, file_mtime, has_software, uuid, "
                                "manufacturer, serial_number, computer_name FROM reports")
        machines = {}
        for report_id, path, created, mtime, has_software, *identity in stored:
            self.assertEqual(query(self.db, "SELECT machine_key FROM reports WHERE id = ?",
                                   report_id)[0][0], machine_key(identity, path))
            machines.setdefault(machine_key(identity, path), []).append(
                ((created or "", mtime, report_id), path, has_software))
        self.assertLess(len(machines), len(placed), "no machine with several reports")
        newest_lacks_software = 0
        for key, entries in machines.items():
            entries.sort()
            with self.subTest(machine=key):
                row = query(self.db, "SELECT path, report_count, first_seen, last_seen "
                                     "FROM machines WHERE machine_key = ?", key)
                created = [e[0][0] for e in entries]
                self.assertEqual(row, [(entries[-1][1], len(entries), min(created), max(created))])
                with_software = [e for e in entries if e[2]]
                newest_lacks_software += bool(with_software) and not entries[-1][2]
                software = query(self.db, "SELECT name, version FROM machine_software "
                                          "WHERE machine_key = ? ORDER BY position", key)
                expected = [(s[2], s[3]) for s in reports.expected_rows(
                    with_software[-1][1])["software"]] if with_software else []
                self.assertEqual(software, expected)
        self.assertGreater(newest_lacks_software, 0, "no machine whose newest report is /device")

    def test_machine_key_placeholders(self):
        source = read(some("win10-x64")[0]).decode("utf-8")
        system = ("<system><manufacturer>%s</manufacturer><model>M</model>"
                  "<serialNumber>%s</serialNumber><uuid>%s</uuid><boardSerialNumber />"
                  "<chassisType /><assetTag /><biosVendor /><biosVersion /><biosDate /></system>")
        cases = [  # (uuid, manufacturer, serial, computer name, key)
            ("4C4C4544-0042-3510-8052-B4C04F564433", "Dell", "5RBCV", "A", "uuid:4C4C4544-0042-3510-8052-B4C04F564433"),
            ("00000000-0000-0000-0000-000000000000", "Dell Inc.", "5RBCV", "A", "serial:DELL INC.|5RBCV"),
            ("FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF", "x", " to be filled by o.e.m. ", "pc-b", "name:PC-B"),
            ("", "Acme", "Default string", "", None),
            ("", "acme", "N/A", "öffice", "name:öFFICE"),
        ]
        for number, (uuid, maker, serial, name, key) in enumerate(cases):
            text = re.sub(r"\t<system>.*</system>\r\n", lambda _: system % (maker, serial, uuid),
                          source, flags=re.S)
            text = re.sub(r"<computerName>[^<]*</computerName>|<computerName />",
                          "<computerName>%s</computerName>" % name if name else "<computerName />", text)
            self.write("key%d.xml" % number, text)
        self.ingest()
        for number, (uuid, maker, serial, name, key) in enumerate(cases):
            path = os.path.join(self.share, "key%d.xml" % number)
            self.assertEqual(query(self.db, "SELECT machine_key, uuid, version FROM reports "
                                            "WHERE path = ?", path),
                             [(key or "file:" + path, uuid or None, "3.1.0")])

    def test_incremental_update_and_prune(self):
        first, second, third = self.place(some("win10-x64"))
        self.assertEqual(summary(self.ingest()), (3, 0, 0, 0))
        self.assertEqual(summary(self.ingest()), (0, 0, 3, 0))
        data = read(second)
        with open(second, "wb") as stream:  # now the report of a machine with other software
            stream.write(re.sub(rb"\t<installed .*?</installed>\r\n", b"", data, count=2,
                                flags=re.S))
        os.utime(third, (0, 1_800_000_000))
        self.assertEqual(summary(self.ingest()), (0, 2, 1, 0))
        self.assert_whole()
        kept = query(self.db, "SELECT * FROM software ORDER BY report_id, position")
        with open(third, "wb") as stream:  # cut short: rejected, its earlier rows kept
            stream.write(data[:200])
        self.assertEqual(summary(self.ingest(status=1)), (0, 0, 2, 1))
        self.assertEqual(query(self.db, "SELECT * FROM software ORDER BY report_id, position"), kept)
        os.remove(first)
        self.assertEqual(summary(self.ingest(status=1)), (0, 0, 1, 1))
        self.assertEqual(query(self.db, "SELECT COUNT(*) FROM reports")[0][0], 3)
        run = self.ingest(self.share, "--prune", status=1)
        self.assertIn("pruned: 1 ", run.stdout)
        self.assertEqual(sorted(p for p, in query(self.db, "SELECT path FROM reports")),
                         [second, third])


    def test_database_of_an_earlier_build(self):
        """Earlier builds kept the child tables with rowids and a name index on software: such
        a database takes new reports, and loses the index that made each commit costly."""
        first, second, _ = self.place(some("win10-x64"))
        os.remove(second)
        self.ingest()
        with sqlite3.connect(self.db) as connection:
            connection.execute("PRAGMA legacy_alter_table = ON")  # the views keep their text
            for table in ("software", "drives", "devices"):
                sql, = connection.execute("SELECT sql FROM sqlite_master WHERE name = ?",
                                          (table,)).fetchone()
                connection.execute("ALTER TABLE %s RENAME TO old" % table)
                connection.execute(sql.replace(" WITHOUT ROWID", ""))
                connection.execute("INSERT INTO %s SELECT * FROM old" % table)
                connection.execute("DROP TABLE old")
            connection.execute("CREATE INDEX software_by_name ON software (name)")
        self.place(some("win10-x64"))
        self.assertEqual(summary(self.ingest()), (1, 0, 2, 0))
        self.assert_whole()
        self.assertEqual(query(self.db, "SELECT name FROM sqlite_master WHERE name = ?",
                               "software_by_name"), [])


class Hostile(FleetCase):
    def test_broken_files_are_rejected_and_nothing_else_lost(self):
        good = self.place(some("win10-x64", "xp-pro-sp2"))
        data = read(good[0])
        laughs = "<!DOCTYPE sorvik [<!ENTITY a \"lol\">" + "".join(
            '<!ENTITY %s "%s">' % (chr(98 + i), ("&%s;" % chr(97 + i)) * 10) for i in range(9)) + "]>"
        broken = {  # name: (content, what the reason says)
            "empty.xml": (b"", "empty"),
            "cut-early.xml": (data[:100], "not well-formed"),
            "cut-middle.xml": (data[:len(data) // 2], "not well-formed"),
            "cut-late.xml": (data[:-3], "not well-formed"),
            "text.XML": (b"just text\r\n", "line 1, column 1"),
            "other-root.xml": (data.replace(b"<sorvik ", b"<other ").replace(b"</sorvik>", b"</other>"),
                               "root element is <other>"),
            "bad-utf8.xml": (data.replace(b"<userName>", b"<userName>\xc3\x28"), "UTF-8"),
            "schema.xml": (data.replace(b"<ramMb>", b"<ramMb>x"), "not a valid report: line"),
            "external.xml": (data.replace(b"<computer>", b"<!DOCTYPE sorvik SYSTEM \"file:///etc/passwd\">"
                                          b"<computer>", 1).replace(b"\r\n<sorvik", b"\r\n<!DOCTYPE sorvik "
                                          b"[<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\r\n<sorvik"),
                             "document type declaration"),
            "laughs.xml": (data.replace(b"\r\n<sorvik", ("\r\n" + laughs + "\r\n<sorvik").encode())
                           .replace(b"<userName>", b"<userName>&j;"), "document type declaration"),
            "deep/sub/cut.xml": (data[:700], "line "),
        }
        for name, (content, _) in broken.items():
            self.write(name, content)
        huge = os.path.join(self.share, "huge.xml")
        with open(huge, "wb") as stream:
            stream.truncate(100 << 20)
        broken["huge.xml"] = (None, "larger than 64 MB")
        # A file that holds more than its size said when it was looked at, as one being written.
        os.symlink("/proc/self/status", os.path.join(self.share, "changing.xml"))
        broken["changing.xml"] = (None, "changed while it was read")
        odd = ["semi;colon;name.xml", "  blanks in name .xml", "nön-äscii-имя.xml"]
        for name in odd:
            self.write(name, data)
        run = self.ingest(status=1)
        self.assertEqual(summary(run), (len(good) + len(odd), 0, 0, len(broken)))
        lines = run.stderr.splitlines()
        self.assertEqual(len(lines), len(broken), run.stderr)
        for name, (_, reason) in broken.items():
            path = os.path.join(self.share, name)
            with self.subTest(file=name):
                line = [l for l in lines if l.startswith(path + ": ")]
                self.assertEqual(len(line), 1, run.stderr)
                self.assertIn(reason, line[0])
        stored = sorted(p for p, in query(self.db, "SELECT path FROM reports"))
        self.assertEqual(stored, sorted(good + [os.path.join(self.share, n) for n in odd]))
        self.assert_whole()

    def test_folder_without_reports(self):
        self.write("notes.txt", "not a report")
        os.symlink("/", os.path.join(self.share, "root-link"))  # never followed
        os.mkfifo(os.path.join(self.share, "pipe.xml"))  # would block whoever opens it
        os.symlink("/dev/zero", os.path.join(self.share, "zero.xml"))
        self.assertEqual(summary(self.ingest()), (0, 0, 0, 0))

    def test_not_our_database_is_left_alone(self):
        self.write("x/a.xml", read(some("win10-x64")[0]))
        other = os.path.join(self.dir, "other.db")
        with sqlite3.connect(other) as connection:
            connection.execute("CREATE TABLE invoices (n INTEGER)")
        garbage = os.path.join(self.dir, "garbage.db")
        with open(garbage, "wb") as stream:
            stream.write(b"SQLite? no." * 1000)
        for db in (other, garbage):
            before = digest(db)
            run = fleet("ingest", db, self.share)
            self.assertEqual(run.returncode, 2, run.stderr)
            self.assertIn(db, run.stderr)
            self.assertEqual(digest(db), before)
            self.assertFalse(os.path.exists(db + "-wal"))
        for args in [(), ("ingest", self.db), ("csv", self.db, "all", "x.csv"),
                     ("html", self.db), ("frobnicate",), ("ingest", self.db, self.share, "--fast")]:
            run = fleet(*args)
            self.assertEqual((run.returncode, run.stderr[:6]), (2, "usage:"), args)


class Crash(FleetCase):
    def test_killed_runs_leave_whole_reports_and_the_next_completes(self):
        placed = self.place(reports.replayed()[:40])
        run = self.ingest(status=-signal.SIGABRT, env={"SORVIK_FLEET_STOP_AFTER": "5",
                                                        "ASAN_OPTIONS": "handle_abort=0"})
        self.assertEqual(query(self.db, "SELECT COUNT(*) FROM reports")[0][0], 5)
        self.assert_whole()
        self.assertEqual(summary(self.ingest()), (len(placed) - 5, 0, 5, 0))
        self.assert_whole()

        os.remove(self.db)
        process = subprocess.Popen([reports.FLEET, "ingest", self.db, self.share],
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 120
        while time.monotonic() < deadline and process.poll() is None:
            try:
                if query(self.db, "SELECT COUNT(*) FROM reports")[0][0] >= 3:
                    break
            except sqlite3.Error:
                pass
            time.sleep(0.01)
        process.send_signal(signal.SIGKILL)
        self.assertEqual(process.wait(), -signal.SIGKILL, "the run ended before it was killed")
        done = query(self.db, "SELECT COUNT(*) FROM reports")[0][0]
        self.assertLess(done, len(placed))
        self.assert_whole()
        self.assertEqual(summary(self.ingest()), (len(placed) - done, 0, done, 0))
        self.assert_whole()

    def test_two_runs_at_once(self):
        placed = self.place(reports.replayed()[:40])
        runs = [subprocess.Popen([reports.FLEET, "ingest", self.db, self.share],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
                for _ in range(2)]
        results = [(r.wait(), *r.communicate()) for r in runs]
        counts = []
        for status, out, err in results:
            self.assertEqual(status, 0, err)
            counts.append(summary(subprocess.CompletedProcess([], 0, out, err)))
        self.assertEqual(counts[0][0] + counts[1][0], len(placed))
        for added, updated, unchanged, rejected in counts:
            self.assertEqual((added + unchanged, updated, rejected), (len(placed), 0, 0))
        self.assert_whole()


class Csv(FleetCase):
    def test_hostile_values_are_text_in_the_spreadsheet(self):
        data = read(some("win10-x64")[0]).decode("utf-8")
        names = ["=HYPERLINK(\"http://x\",\"y\")", "+1+2", "-3", "@SUM(A1)", "&#9;tab",
                 "&#13;cr", "a,b \"quoted\"\nline", "<img src=x onerror=alert(1)>", "ok=1"]
        shown = ["'=HYPERLINK(\"http://x\",\"y\")", "'+1+2", "'-3", "'@SUM(A1)", "'\ttab",
                 "'\rcr", "a,b \"quoted\"\nline", "<img src=x onerror=alert(1)>", "ok=1"]
        items = re.findall(r"\t<installed .*?</installed>\r\n", data, re.S)
        installed = "".join(re.sub(r"<name>[^<]*</name>", lambda _: "<name>%s</name>" % name
                                   .replace("<", "&lt;").replace("\n", "\r\n"), items[0])
                            for name in names)
        data = data.replace("".join(items), installed).replace(
            "<computerName>WIN10-PC<", "<computerName>=cmd|' /C calc'!A0<")
        data = re.sub(r"<total>\d+</total>", "<total>%d</total>" % len(names), data)
        self.write("hostile.xml", data)
        self.ingest()
        out = os.path.join(self.dir, "software.csv")
        self.assertEqual(fleet("csv", self.db, "software", out).returncode, 0)
        raw = read(out)
        self.assertTrue(raw.startswith(b"\xef\xbb\xbf"))
        # Every record ends in CR LF; a line break inside a quoted cell stays as the report has it.
        self.assertNotRegex(re.sub(rb'"(?:[^"]|"")*"', b"", raw).replace(b"\r\n", b""), rb"[\r\n]")
        rows = list(csv.reader(io.StringIO(raw[3:].decode("utf-8"), newline="")))
        header = rows[0]
        self.assertEqual(header[:4], ["machine_key", "computer_name", "report_id", "position"])
        self.assertEqual([r[header.index("name")] for r in rows[1:]], shown)
        self.assertEqual({r[1] for r in rows[1:]}, {"'=cmd|' /C calc'!A0"})
        self.assertEqual(rows[1][header.index("size")], "1843200")
        machines = os.path.join(self.dir, "machines.csv")
        self.assertEqual(fleet("csv", self.db, "machines", machines).returncode, 0)
        rows = list(csv.reader(io.StringIO(read(machines).decode("utf-8-sig"), newline="")))
        self.assertEqual(len(rows), 2)
        self.assertEqual(rows[1][rows[0].index("report_count")], "1")


class Docs(FleetCase):
    def test_every_example_query_runs(self):
        self.place(reports.replayed())
        self.ingest()
        with open(os.path.join(reports.SOURCE_DIR, "docs", "fleet.md"), encoding="utf-8") as doc:
            queries = re.findall(r"```sql\n(.*?)```", doc.read(), re.S)
        self.assertGreaterEqual(len(queries), 10)
        for sql in queries:
            with self.subTest(query=sql.splitlines()[0]):
                run = subprocess.run(["sqlite3", "-bail", self.db, sql], capture_output=True,
                                     text=True)
                self.assertEqual((run.returncode, run.stderr), (0, ""))


if __name__ == "__main__":
    unittest.main()

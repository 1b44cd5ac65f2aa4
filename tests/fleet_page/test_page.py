"""The fleet page in headless Chromium: a database ingested from replayed reports, the page
made from it, and what Chromium shows after the page's script ran checked against the
database, sorting, filtering and hostile names included."""
import datetime
import json
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import chromium  # noqa: E402
import fleet_reports  # noqa: E402

REPLAY = os.path.abspath(os.environ.get("SORVIK_REPLAY", "build/native/sorvik-replay"))
FLEET = os.path.abspath(os.environ.get("SORVIK_FLEET", "build/native/sorvik-fleet"))
SCREENSHOT = os.environ.get("SORVIK_PAGE_SCREENSHOT")

# Quick to replay, and between them every generation of Windows and every section.
FIXTURES = ["win10-x64", "win11-x64", "win7-x64", "xp-pro-sp2", "software-vista", "nt-devices",
            "hostile-identity", "ja-xp-932", "cyrillic-1251", "sizes-4gb-without-ex"]

# Each would change the page's title or set a global if it ran.
HOSTILE_NAMES = [
    "<img src=x onerror=\"document.title='pwned'\">",
    "</script><script>window.pwned=1</script>",
    "\"><svg onload=\"window.pwned=2\">",
    "<!--<script>window.pwned=3</script>",
    "line\u2028sep\u2029arators & 'quotes'",
]
HOSTILE_PRODUCT = "</script><img src=x onerror=\"window.pwned=4\">"

MACHINE_COLUMNS = ("computer_name, user_name, os_name, os_display_version, manufacturer, model, "
                   "serial_number, ram_mb, ip, last_seen, report_count")


def low_disk_profile(folder):
    """xp-pro-sp2 with its C: drive 2% free: a machine whose report sorvik-replay makes."""
    profile = os.path.join(folder, "xp-low-disk")
    shutil.copytree(os.path.join(fleet_reports.FIXTURES, "xp-pro-sp2"), profile)
    ini = os.path.join(profile, "machine.ini")
    with open(ini, encoding="latin-1") as f:
        text = f.read()
    text = text.replace("freeBytes = 12884901888", "freeBytes = 800000000", 1)
    with open(ini, "w", encoding="latin-1") as f:
        f.write(text)
    return profile


def make_reports(folder, work):
    """Three machines per fixture at dates from today back to 60 days ago, hostile names among
    them, one machine reporting twice (its newest report without software), and one machine
    whose disk is nearly full. Returns the hostile names that went into the reports."""
    replayed = fleet_reports.replayed_reports(REPLAY, names=FIXTURES)
    replayed.update(fleet_reports.replayed_reports(
        REPLAY, names=["xp-low-disk"], fixtures=work))
    now = datetime.datetime.now().replace(microsecond=0)
    number = 0
    for name in sorted(replayed):
        for copy in range(3):
            number += 1
            hostile = (number - 2) // 3 if number % 3 == 2 else len(HOSTILE_NAMES)
            computer = HOSTILE_NAMES[hostile] if hostile < len(HOSTILE_NAMES) else None
            user = HOSTILE_NAMES[-1 - number // 3] if number % 3 == 0 and number < 15 else None
            # Half a day off the 30-day line either way.
            when = now - datetime.timedelta(days=2 * number, hours=12)
            report = fleet_reports.machine(replayed[name], number, name=computer, user=user,
                                           when=when, software_seed=number)
            if number % 4 == 0:
                report = fleet_reports.rename_product(report, HOSTILE_PRODUCT)
            fleet_reports.write(folder, "%03d-%s-%d.xml" % (number, name, copy), report)
    # PC-00001 again, a day later, with its device section only.
    device_only = fleet_reports.replayed_reports(REPLAY, names=["xp-pro-sp2"], command="/device")
    fleet_reports.write(folder, "again.xml", fleet_reports.machine(
        device_only["xp-pro-sp2"], 1, when=now - datetime.timedelta(days=1)))


def run(*argv):
    done = subprocess.run(argv, stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=600)
    if done.returncode != 0:
        raise AssertionError("%s exited %d: %s" % (argv, done.returncode, done.stderr.decode()))
    return done


class PageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        for program in (REPLAY, FLEET):
            if not os.path.isfile(program):
                raise AssertionError("%s not found: cmake --build --preset native" % program)
        if not chromium.executable():
            raise AssertionError("chromium not found: scripts/install-deps.sh installs it")
        cls.work = tempfile.mkdtemp(prefix="sorvik-page-")
        reports = os.path.join(cls.work, "reports")
        os.mkdir(reports)
        low_disk_profile(cls.work)
        make_reports(reports, cls.work)
        cls.database = os.path.join(cls.work, "fleet.db")
        cls.page_file = os.path.join(cls.work, "fleet.html")
        run(FLEET, "ingest", cls.database, reports)
        run(FLEET, "html", cls.database, cls.page_file)
        cls.db = sqlite3.connect(cls.database)
        cls.browser = chromium.Chromium()
        cls.browser.open(cls.page_file)
        if SCREENSHOT:
            cls.browser.screenshot(SCREENSHOT)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.db.close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def query(self, sql, *values):
        return self.db.execute(sql, values).fetchall()

    def page(self, expression):
        return self.browser.evaluate(expression)

    def table_column(self, column):
        return self.page("Array.from(document.querySelectorAll('#machines tbody tr'), "
                         "tr => tr.cells[%d].textContent)" % column)

    def click_header(self, name):
        self.page("Array.from(document.querySelectorAll('#machines th button'))"
                  ".find(b => b.textContent === %s).click()" % json.dumps(name))

    def type_filter(self, text):
        self.page("(() => { const box = document.getElementById('machine-filter');"
                  "box.value = %s; box.dispatchEvent(new Event('input'));"
                  "return new Promise(done => setTimeout(done, 300)); })()" % json.dumps(text))

    def chart(self, section):
        """{label: count} from the bars' titles, which hold the labels uncut."""
        titles = self.page("Array.from(document.querySelectorAll('#%s g.bar > title'), "
                           "t => t.textContent)" % section)
        return dict((title.rsplit(": ", 1)[0], int(title.rsplit(": ", 1)[1]))
                    for title in titles)

    def test_summary_figures_are_the_database_counts(self):
        machines, = self.query("SELECT COUNT(*) FROM machines")[0]
        reports, first, newest = self.query(
            "SELECT COUNT(*), MIN(created), MAX(created) FROM reports")[0]
        self.assertEqual(machines, len(FIXTURES) * 3 + 3)
        self.assertEqual(reports, machines + 1)
        shown = self.page("Object.fromEntries(Array.from(document.querySelectorAll("
                          "'.summary dd'), dd => [dd.id, dd.textContent]))")
        self.assertEqual(shown["machine-count"], str(machines))
        self.assertEqual(shown["report-count"], str(reports))
        self.assertEqual(shown["first-report"], first[:16].replace("T", " "))
        self.assertEqual(shown["newest-report"], newest[:16].replace("T", " "))
        cutoff = (datetime.datetime.utcnow() - datetime.timedelta(days=30)).isoformat()
        stale, = self.query("SELECT COUNT(*) FROM machines WHERE last_seen < ?", cutoff)[0]
        self.assertGreater(stale, 0)
        self.assertEqual(shown["stale-count"], str(stale))
        low = self.query("SELECT m.computer_name, d.letter FROM machines m JOIN drives d "
                         "ON d.report_id = m.id WHERE d.available_mb * 10 < d.total_mb")
        self.assertEqual(len(low), 3)
        self.assertEqual(shown["low-disk-count"], str(len(low)))
        listed = self.page("Array.from(document.querySelectorAll('#low-disk tbody tr'), "
                           "tr => [tr.cells[0].textContent, tr.cells[1].textContent])")
        self.assertEqual(sorted(listed), sorted([name, letter + ":"] for name, letter in low))

    def test_charts_count_the_machines(self):
        for section, first, second in (("chart-os", "os_name", "os_display_version"),
                                       ("chart-model", "manufacturer", "model")):
            counts = dict((label or "(unknown)", count) for label, count in self.query(
                "SELECT TRIM(COALESCE(%s, '') || ' ' || COALESCE(%s, '')), COUNT(*) "
                "FROM machines GROUP BY 1" % (first, second)))
            self.assertGreater(len(counts), 1)
            self.assertEqual(self.chart(section), counts)
        ram = self.chart("chart-ram")
        self.assertEqual(sum(ram.values()), len(FIXTURES) * 3 + 3)
        four_gb, = self.query("SELECT COUNT(*) FROM machines WHERE ram_mb BETWEEN 3584 AND 4607")[0]
        self.assertEqual(ram.get("4 GB", 0), four_gb)

    def test_top_software_counts_each_machine_once(self):
        expected = self.query(
            "SELECT name, COUNT(DISTINCT machine_key) FROM machine_software "
            "WHERE type <> 'update' GROUP BY name ORDER BY 2 DESC, name LIMIT 25")
        shown = self.page("Array.from(document.querySelectorAll('#software tbody tr'), "
                          "tr => [tr.cells[0].textContent, Number(tr.cells[1].textContent)])")
        self.assertEqual([tuple(row) for row in shown][:10], expected[:10])
        self.assertEqual(sorted(count for _, count in shown), sorted(c for _, c in expected))

    def test_table_lists_every_machine_with_its_newest_report(self):
        rows = self.query("SELECT %s FROM machines" % MACHINE_COLUMNS)
        self.assertEqual(sorted(self.table_column(0)), sorted(row[0] for row in rows))
        twice = self.page("Array.from(document.querySelectorAll('#machines tbody tr'))"
                          ".filter(tr => tr.cells[0].textContent === 'PC-00001')"
                          ".map(tr => tr.cells[10].textContent)")
        self.assertEqual(twice, ["2"])

    def test_sorting_by_each_kind_of_column(self):
        self.click_header("RAM MB")
        ram = [int(x) if x else None for x in self.table_column(7)]
        present = [x for x in ram if x is not None]
        self.assertEqual(present, sorted(present))
        self.assertEqual(ram[len(present):], [None] * (len(ram) - len(present)))
        self.click_header("RAM MB")
        ram = [int(x) for x in self.table_column(7) if x]
        self.assertEqual(ram, sorted(ram, reverse=True))
        self.click_header("Last seen")
        seen = self.table_column(9)
        self.assertEqual(seen, sorted(seen))
        self.click_header("Computer")
        in_order = self.page(
            "(() => { const names = Array.from(document.querySelectorAll("
            "'#machines tbody tr'), tr => tr.cells[0].textContent);"
            "const c = new Intl.Collator(undefined, {numeric: true, sensitivity: 'base'});"
            "return names.every((n, i) => i === 0 || c.compare(names[i - 1], n) <= 0); })()")
        self.assertTrue(in_order)
        self.assertEqual(self.page("document.querySelector('#machines th[aria-sort=ascending]')"
                                   ".textContent"), "Computer")

    def test_filter_matches_every_word_in_any_column(self):
        rows = self.query("SELECT %s FROM machines" % MACHINE_COLUMNS)
        for text in ("pc-0001", "windows 10", "onerror", "\u2028", "no such machine"):
            with self.subTest(text=text):
                self.type_filter(text)
                words = text.lower().split()
                expected = [row[0] for row in rows
                            if all(any(word in ("" if cell is None else str(cell)).lower()
                                       for cell in self.shown_cells(row))
                                   for word in words)]
                self.assertEqual(sorted(self.table_column(0)), sorted(expected))
        self.type_filter("")
        self.assertEqual(len(self.table_column(0)), len(rows))

    @staticmethod
    def shown_cells(row):
        cells = list(row)
        cells[9] = cells[9][:16].replace("T", " ") if cells[9] else None
        return cells

    def test_hostile_names_show_as_text_and_run_nothing(self):
        self.assertIsNone(self.page("window.pwned"))
        self.assertTrue(self.page("document.title").startswith("Fleet inventory"))
        self.assertEqual(self.page("window.__refused"), [])
        self.assertEqual(self.page("document.querySelectorAll('img, iframe, object').length"), 0)
        handlers = self.page("Array.from(document.querySelectorAll('*')).flatMap(e => "
                             "Array.from(e.attributes, a => a.name)).filter(n => /^on/.test(n))")
        self.assertEqual(handlers, [])
        shown = set(self.table_column(0)) | set(self.table_column(1))
        for name in HOSTILE_NAMES:
            self.assertIn(name, shown)
        self.assertIn(HOSTILE_PRODUCT, self.page("document.getElementById('software').textContent"))
        with open(self.page_file, encoding="utf-8") as f:
            html = f.read()
        self.assertNotIn("\u2028", html)
        self.assertEqual(len(re.findall(r"<script\b", html)), 2)


if __name__ == "__main__":
    unittest.main()

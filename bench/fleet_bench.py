#!/usr/bin/env python3
"""sorvik-fleet on a made-up fleet: full ingest beside xmllint's schema check of the same files,
ingest with nothing changed, peak memory at two fleet sizes, the page's generation and
Chromium's load of it.

    python3 bench/fleet_bench.py [--build build/release] [--machines 10000] [--runs 3]

The fleet is made from the fixtures' reports as sorvik-replay writes them (every fixture but
the two volume machines), each copy with its own name, address, user, date and a varied
software list (some products left out, some in other versions, 40 to 160 added from the
products of every replayed report). Each measured program is a separate process; wait4 gives its CPU time and peak
resident set. Full ingest and xmllint alternate, so that load from elsewhere hits both alike.
Prints Markdown tables. Use the Release build (see docs/performance.md).
"""
import argparse
import datetime
import os
import random
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SOURCE_DIR = os.path.abspath(os.path.join(os.path.dirname(__file__), ".."))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "fleet_page"))
import chromium  # noqa: E402
import fleet_reports  # noqa: E402

SCHEMA = os.path.join(SOURCE_DIR, "docs", "report.xsd")
USERS = ["anna", "bert", "carla", "dmitri", "eve", "fatima", "goran", "hiro", "ines", "jan"]


def valid(report):
    with tempfile.NamedTemporaryFile(suffix=".xml") as f:
        f.write(report)
        f.flush()
        return subprocess.run(["xmllint", "--noout", "--schema", SCHEMA, f.name],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


def make_fleet(replay, folder, machines):
    """`machines` reports in folders of 500, as a share holds them; returns the file list.
    Each report with a software section lists 40 to 160 more products, drawn from a pool of
    every fixture's replayed products (the two volume machines' thousands included)."""
    replayed = fleet_reports.replayed_reports(replay)
    # A fault fixture's report may be cut off by design: the fleet is made of valid ones.
    valid_reports = [replayed[name] for name in sorted(replayed) if valid(replayed[name])]
    pool = sorted(set(entry for report in valid_reports
                      for entry in fleet_reports.products(report)))
    sources = [report for report in valid_reports if len(report) < 200000]
    chance = random.Random(22)
    start = datetime.datetime(2026, 11, 1, 8, 0, 0)
    paths = []
    for number in range(1, machines + 1):
        subfolder = os.path.join(folder, "%03d" % (number // 500))
        os.makedirs(subfolder, exist_ok=True)
        report = fleet_reports.machine(
            sources[number % len(sources)], number, user=USERS[number % len(USERS)],
            when=start + datetime.timedelta(minutes=7 * number), software_seed=number,
            extra=chance.sample(pool, chance.randint(40, 160)))
        paths.append(fleet_reports.write(subfolder, "PC-%05d.xml" % number, report))
    print("%d fixtures' reports, a pool of %d products" % (len(sources), len(pool)))
    return paths


def measure(argv):
    """(wall s, CPU s, peak RSS MB) of one process. The peak comes from /usr/bin/time: a child
    of this Python process would count Python's own peak as its own."""
    with tempfile.TemporaryFile() as errors, tempfile.NamedTemporaryFile("r") as peak:
        started = time.perf_counter()
        process = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name] + argv,
                                   stdout=subprocess.DEVNULL, stderr=errors)
        _, status, usage = os.wait4(process.pid, 0)
        wall = time.perf_counter() - started
        errors.seek(0)
        error = errors.read()  # xmllint says "validates" per file: a file, not a pipe
        peak_kb = int(peak.read().split()[-1])
    code = os.waitstatus_to_exitcode(status)
    if code != 0:
        sys.exit("%s exited %d: %s" % (" ".join(argv[:4]), code,
                                       error.decode(errors="replace")[-2000:]))
    return wall, usage.ru_utime + usage.ru_stime, peak_kb / 1024.0


def xmllint(paths):
    """xmllint over every file, in batches that fit a command line: summed figures."""
    wall = cpu = rss = 0.0
    for start in range(0, len(paths), 2000):
        w, c, r = measure(["xmllint", "--noout", "--schema", SCHEMA] +
                          paths[start:start + 2000])
        wall, cpu, rss = wall + w, cpu + c, max(rss, r)
    return wall, cpu, rss


def ingest(fleet, database, folder, fresh):
    for leftover in ([database, database + "-journal", database + "-wal", database + "-shm"]
                     if fresh else []):
        if os.path.exists(leftover):
            os.remove(leftover)
    return measure([fleet, "ingest", database, folder])


def row(what, figures):
    walls = [f[0] for f in figures]
    return "| %s | %.2f (%.2f to %.2f) | %.2f | %.1f |" % (
        what, statistics.median(walls), min(walls), max(walls),
        statistics.median(f[1] for f in figures), max(f[2] for f in figures))


def page_figures(fleet, database, work, runs):
    page = os.path.join(work, "fleet.html")
    made = [measure([fleet, "html", database, page]) for _ in range(runs)]
    loads = []
    for _ in range(runs):
        with chromium.Chromium() as browser:
            load = browser.open(page)
            sort = browser.evaluate(
                "(() => { const t = performance.now();"
                "document.querySelectorAll('#machines th button')[0].click();"
                "document.querySelectorAll('#machines th button')[0].click();"
                "return (performance.now() - t) / 2; })()")
            # A keystroke: until the count of matches shows, the page's pause for the typing
            # to stop included.
            typed = browser.evaluate(
                "new Promise(done => { const box = document.getElementById('machine-filter');"
                "const status = document.getElementById('machine-status');"
                "const seen = new MutationObserver(() => { seen.disconnect();"
                "done(performance.now() - t); });"
                "seen.observe(status, {childList: true, characterData: true, subtree: true});"
                "const t = performance.now();"
                "box.value = 'pc-01'; box.dispatchEvent(new Event('input')); })")
            rows = browser.evaluate("document.querySelectorAll('#machines tbody tr').length")
            loads.append((load, sort, typed, rows))
    return made, loads, os.path.getsize(page)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(SOURCE_DIR, "build", "release"))
    parser.add_argument("--machines", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep", help="make the fleet in this folder and keep it")
    args = parser.parse_args()
    fleet = os.path.join(args.build, "sorvik-fleet")
    replay = os.path.join(args.build, "sorvik-replay")
    for program in (fleet, replay):
        if not os.path.isfile(program):
            sys.exit("%s not found: cmake --preset release && cmake --build --preset release"
                     % program)
    work = args.keep or tempfile.mkdtemp(prefix="sorvik-fleet-bench-")
    try:
        reports = os.path.join(work, "reports")
        small = os.path.join(work, "reports-small")
        if not os.path.isdir(reports):
            paths = make_fleet(replay, reports, args.machines)
            os.makedirs(small)
            for path in paths[:args.machines // 10]:
                os.link(path, os.path.join(small, os.path.basename(path)))
        paths = sorted(os.path.join(folder, name) for folder, _, names in os.walk(reports)
                       for name in names)
        size = sum(os.path.getsize(p) for p in paths)
        database = os.path.join(work, "fleet.db")
        print("%d reports, %.1f MB; load average %s" % (
            len(paths), size / 1e6, " ".join("%.1f" % x for x in os.getloadavg())))

        full, lint, again = [], [], []
        for _ in range(args.runs):
            lint.append(xmllint(paths))
            full.append(ingest(fleet, database, reports, fresh=True))
            again.append(ingest(fleet, database, reports, fresh=False))
        # The same in memory: what the disk's syncs cost beside the work itself.
        shm = tempfile.mkdtemp(prefix="sorvik-fleet-bench-", dir="/dev/shm")
        try:
            in_memory = [ingest(fleet, os.path.join(shm, "fleet.db"), reports, fresh=True)
                         for _ in range(args.runs)]
        finally:
            shutil.rmtree(shm, ignore_errors=True)
        small_db = os.path.join(work, "small.db")
        few = [ingest(fleet, small_db, small, fresh=True) for _ in range(args.runs)]
        print("\n| run | wall s (min to max) | CPU s | peak RSS MB |\n|---|---:|---:|---:|")
        print(row("xmllint --noout --schema, %d files" % len(paths), lint))
        print(row("ingest, %d new" % len(paths), full))
        print(row("ingest, %d unchanged" % len(paths), again))
        print(row("ingest, %d new, the database in /dev/shm" % len(paths), in_memory))
        print(row("ingest, %d new" % len(os.listdir(small)), few))
        ratio = statistics.median(f[0] for f in full) / statistics.median(f[0] for f in lint)
        unchanged = statistics.median(f[0] for f in again) / statistics.median(f[0] for f in full)
        memory = max(f[2] for f in full) / max(f[2] for f in few)
        print("\nfull ingest / xmllint: %.2f; unchanged / full: %.1f%%; peak RSS %d / %d: %.2f"
              % (ratio, 100 * unchanged, len(paths), len(os.listdir(small)), memory))

        made, loads, page_size = page_figures(fleet, database, work, args.runs)
        print("\n| page | median | min to max |\n|---|---:|---:|")
        walls = [m[0] for m in made]
        print("| generated (s), %.1f MB | %.2f | %.2f to %.2f |" % (
            page_size / 1e6, statistics.median(walls), min(walls), max(walls)))
        for index, what in enumerate(["Chromium load event (ms)", "sort by a column (ms)",
                                      "filter a keystroke (ms)"]):
            values = [load[index] for load in loads]
            print("| %s | %.0f | %.0f to %.0f |" % (what, statistics.median(values), min(values),
                                                     max(values)))
        print("\nrows rendered at load: %d; peak RSS of the page's generation %.1f MB; "
              "load average %s" % (loads[0][3], max(m[2] for m in made),
                                   " ".join("%.1f" % x for x in os.getloadavg())))
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()

"""The software and statistics sections of the real sorvik.exe under Wine (Windows XP) on the
uninstall entries of tests/fixtures/software-uninstall, beside sorvik-replay on a profile of the
same machine; and the record file, which must not outlive the run."""

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
LINE = '/software /out:"%s"' % OUT
COUNTS = ("numberOfApplication", "numberOfUpdate", "numberOfComponent")

# The fixture has thirteen uninstall entries: one without a display name gives no record, and
# two identical ones give one, so eleven products are listed.
PRODUCTS = 11


def temp_folder(wine):
    """The Windows path of the temporary folder that programs of this machine get."""
    result = wine.wine("cmd", "/c", "echo %TEMP%")
    path = result.stdout.decode("latin-1").strip()
    if not re.match(r"^[A-Za-z]:\\", path):
        raise AssertionError("unexpected temporary folder %r\n%s" % (path, wine.describe()))
    return path


class XpSoftware(harness.WineTestCase):
    def test_uninstall_entries(self):
        wine = self.machine(version="winxp")
        wine_profile.set_up(wine, "software-uninstall")
        wine.make_dir("C:\\out")
        temp = temp_folder(wine)
        wine.make_dir(temp)
        wine.install_sorvik()
        before = wine.snapshot()
        temp_before = wine.list_dir(temp)

        run = wine.run_sorvik(LINE)
        data = wine.read_file(OUT)
        self.assertFrame(data, run, wine)  # xmllint included
        if run.returncode != 0:
            self.fail_with("exit status %d, expected 0" % run.returncode, run, wine)
        problems = reportcheck.check_report(wine.host_path(OUT), ["software"])
        if problems:
            self.fail_with("reportcheck: " + "\n".join(problems), run, wine)

        parsed = report.Report(data)
        self.assertEqual(parsed.sections(), ["computer", "software", "statistics"])
        installed = parsed.all("software/installed")
        counts = [int(parsed.value("statistics/" + name)) for name in COUNTS]
        total = int(parsed.value("statistics/total"))
        self.assertEqual(total, len(installed), report.show(data))
        self.assertEqual(total, sum(counts), report.show(data))
        self.assertEqual(total, PRODUCTS, report.show(data))
        for name, count in zip(("application", "update", "component"), counts):
            self.assertEqual(count, sum(1 for element in installed
                                        if element.attributes.get("type") == name), name)

        # The record file is gone; the run left the report and nothing else.
        wine.wait_idle()
        self.assertEqual(wine.list_dir(temp), temp_before, "files in %s" % temp)
        self.assertEqual(wine.snapshot() - before, {OUT})

        profile = wine_profile.same_machine(self, "winxp", ["software-uninstall"])
        replay_data = self.assertReplaySections(data, profile, LINE, OUT,
                                                ["software", "statistics"], run, wine)
        self.assertSameBytes(parsed.raw("computer/os"),
                             report.Report(replay_data).raw("computer/os"),
                             "os elements of sorvik.exe and sorvik-replay", run, wine)


if __name__ == "__main__":
    unittest.main()

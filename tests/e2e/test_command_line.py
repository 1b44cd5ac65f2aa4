"""The command line of the real sorvik.exe under Wine: the report frame, /out:, help."""

import os
import unittest
import urllib.parse

import harness
import report

OUT = "C:\\out\\r.xml"
OUT_SWITCH = '/out:"%s"' % OUT
ALL_SECTIONS = ["computer", "device", "software", "statistics"]
# The replayed machine: Windows XP as Wine 8.0 presents it (identity and hardware differ).
PROFILE = os.path.join(os.path.dirname(__file__), "profiles", "winxp")


class ReportFrame(harness.WineTestCase):
    def test_out_path_gets_the_whole_report(self):
        wine = self.machine()
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(OUT_SWITCH)
        data = wine.read_file(OUT)
        if data is None:
            self.fail_with("no report at %s (C:\\out holds %s)" % (OUT, wine.list_dir("C:\\out")),
                           run, wine)
        self.assertFrame(data, run, wine)
        if run.returncode != 0:
            self.fail_with("exit status %d, expected 0" % run.returncode, run, wine)
        self.assertEqual(report.Report(data).sections(), ALL_SECTIONS, report.show(data))
        self.assertEqual(wine.list_dir(harness.WineMachine.EXE_FOLDER), ["sorvik.exe"],
                         "a report with /out: goes only where /out: says")

        replayed = self.replay(PROFILE, OUT_SWITCH, folders=["C:\\out"])
        replay_data = replayed.read_file(OUT)
        if replay_data is None:
            self.fail_with("sorvik-replay wrote no report at %s" % OUT, replayed)
        self.assertFrame(replay_data, replayed)
        head, tail = report.frame(data)
        replay_head, replay_tail = report.frame(replay_data)
        self.assertSameBytes(head + tail, replay_head + replay_tail,
                             "report frames of sorvik.exe and sorvik-replay", replayed, run, wine)
        self.assertEqual(report.Report(replay_data).sections(), ALL_SECTIONS)
        # The profile holds what Wine's Windows XP answers, so the OS data agrees as well.
        self.assertSameBytes(report.Report(data).raw("computer/os"),
                             report.Report(replay_data).raw("computer/os"),
                             "os elements of sorvik.exe and sorvik-replay", replayed, run, wine)


class Help(harness.WineTestCase):
    def test_h_opens_the_manual_and_writes_nothing(self):
        wine = self.machine()
        wine.install_sorvik()
        before = wine.snapshot()
        run = wine.run_sorvik("/h")
        calls = wine.wait_for_shell_open()
        if len(calls) != 1:
            self.fail_with("expected one xdg-open call, got %r" % calls, run, wine)
        self.assertEqual(len(calls[0]), 1, calls)
        url = urllib.parse.urlsplit(calls[0][0])
        self.assertIn(url.scheme, ("http", "https"), calls[0][0])
        self.assertTrue(url.netloc, calls[0][0])
        self.assertEqual(url.path, "/sorvik/manual/", calls[0][0])
        wine.wait_idle()
        created = wine.snapshot() - before
        if created:
            self.fail_with("/h wrote files: %s" % sorted(created), run, wine)
        if run.returncode != 0:
            self.fail_with("exit status %d, expected 0" % run.returncode, run, wine)

    def test_capital_h_is_not_help(self):
        wine = self.machine()
        wine.make_dir("C:\\out")
        run = wine.run_sorvik("/H " + OUT_SWITCH)
        self.assertFrame(wine.read_file(OUT), run, wine)
        wine.wait_idle()
        if wine.shell_opens():
            self.fail_with("/H opened %r" % wine.shell_opens(), run, wine)


class ReplayHelp(unittest.TestCase):
    def test_replayed_h_writes_nothing(self):
        harness.require_replay(self)
        with harness.replay(PROFILE, "/h") as replayed:
            files = [os.path.join(folder, name)
                     for folder, _, names in os.walk(replayed.workdir) for name in names]
            self.assertEqual(replayed.returncode, 0, replayed.describe())
            self.assertEqual(files, [], replayed.describe())


if __name__ == "__main__":
    unittest.main()

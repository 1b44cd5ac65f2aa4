"""The real sorvik.exe under Wine, beside sorvik-replay on a profile of the same machine: the os
element and the default report name for each Windows version Wine presents, and the command
line (help, /out:) with the identity and hardware Wine gives the program."""

import os
import re
import urllib.parse

import harness
import report

FOLDER = harness.WineMachine.EXE_FOLDER
CPU_KEY = "HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor"


def default_base(data):
    """The default report name (without .xml) from the identity the report itself carries."""
    values = [report.value(data, "computer/" + name) for name in ("ip", "computerName", "userName")]
    return values[0] + "".join(";" + value for value in values[1:] if value)


class Versions(harness.WineTestCase):
    def test_each_version_names_the_os_and_the_report(self):
        """One machine, a default run per version setting: one new report beside the program,
        named from its identity and numbered from the second of that name on."""
        wine = self.machine()
        wine.install_sorvik()
        out = "C:\\out\\r.xml"
        for version, facts in harness.VERSIONS.items():
            with self.subTest(version=version):
                wine.set_windows_version(version)
                before = set(os.listdir(wine.host_path(FOLDER)))
                run = wine.run_sorvik("")
                new = sorted(set(os.listdir(wine.host_path(FOLDER))) - before)
                if len(new) != 1:
                    self.fail_with("new files beside the program: %r" % new, run, wine)
                data = self.report_of(run, FOLDER + "\\" + new[0], wine)
                base = default_base(data)
                taken = len([n for n in before
                             if re.fullmatch(re.escape(base) + r"(\(\d+\))?\.xml", n)])
                self.assertEqual(new[0], base + ("(%d)" % (taken + 1)) * bool(taken) + ".xml")
                found = [report.value(data, "computer/os/" + path) for path in (
                    "fullName", "getVersionEx/majorVersion", "getVersionEx/minorVersion",
                    "getVersionEx/csdVersion")]
                self.assertEqual(found, [harness.full_name(version), str(facts.major),
                                         str(facts.minor), facts.csd], report.show(data))
                self.assertLikeReplay(data, harness.same_machine(self, version),
                                      '/out:"%s"' % out, out, ["computer/os"], run, wine)


class CommandLine(harness.WineTestCase):
    def test_help_then_a_whole_report(self):
        wine = self.machine()
        wine.install_sorvik()
        before = wine.snapshot()
        run = wine.run_sorvik("/h")
        wine.wait_idle()
        calls = wine.shell_opens()
        if len(calls) != 1 or len(calls[0]) != 1:
            self.fail_with("expected one xdg-open call with the manual, got %r" % calls, run, wine)
        url = urllib.parse.urlsplit(calls[0][0])
        self.assertEqual((url.scheme in ("http", "https"), bool(url.netloc), url.path),
                         (True, True, "/sorvik/manual/"), calls)
        self.assertEqual((run.returncode, wine.snapshot() - before), (0, set()), run.describe())

        # /H is no help; without section switches the report holds every section, only at
        # the /out: path (quoted, with a blank and "&"), and the record file is gone.
        out = "C:\\out dir\\r&d.xml"
        line = '/H /out:"%s"' % out
        wine.make_dir("C:\\out dir")
        wine.wine("regedit", "/E", "C:\\e2e\\cpu.reg", CPU_KEY)
        run = wine.run_sorvik(line)
        wine.wait_idle()
        data = self.report_of(run, out, wine)
        self.assertEqual(len(wine.shell_opens()), 1, "/H opened the manual")
        self.assertEqual(wine.snapshot() - before, {out})
        self.assertEqual(re.findall(rb"\n<(\w+)>\r", data),
                         [b"computer", b"device", b"software", b"statistics"], report.show(data))

        # The same machine replayed: Wine's identity, processors and drive letters; the sizes
        # that the host's memory and file systems give are masked.
        extra = ["[identity]", 'computerName = "%s"' % report.value(data, "computer/computerName"),
                 'userName = "%s"' % report.value(data, "computer/userName"),
                 "[network]", "hostName = winehost"]
        if report.value(data, "computer/ip"):
            extra += ["[resolver]", "winehost = " + report.value(data, "computer/ip")]
        for letter in re.findall(rb'<drive type="fixed" letter="(\w)"', data):
            extra += ["[drive %s:]" % letter.decode(), "type = fixed"]
        profile = harness.same_machine(self, "winxp", extra_ini="\r\n".join(extra) + "\r\n",
                                       extra_regs=[wine.read_file("C:\\e2e\\cpu.reg")])
        # The system block is the host's firmware as Wine reads it, which the profile does not
        # describe; test_dmi gives Wine a made-up machine and checks it.
        computer = ["computer/ip", "computer/computerName", "computer/userName", "computer/os"]
        other = self.assertLikeReplay(data, profile, line, out, computer, run, wine)
        mask = re.compile(rb'(<ramMb>|(?:total|available)SpaceMb=")\d+')
        self.assertSameParts(mask.sub(rb"\1#", data), mask.sub(rb"\1#", other), ["device"],
                             run, wine)

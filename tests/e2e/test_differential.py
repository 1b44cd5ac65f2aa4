"""Differential runs: each fixture of tests/fixtures that Wine can present (not 9x, a failing
version call, the 64-bit ones of test_windows64 or the two large machines: those are skipped
with the reason), under Wine and in sorvik-replay on a profile of the same machine. The parts
that do not read the host must be the same bytes: else the simulator and Wine disagree, or the
program reads something the profile does not describe. A value regedit cannot store as the
file gives it (a string without its terminator) is deleted again on both sides, and named in
the output."""

import os
import re

import harness

OUT = "C:\\out\\r.xml"
LINE = '/device /software /out:"%s"' % OUT
# computer/os holds the build, display version, update revision and architecture, which Wine
# presents from the version setting, the fixture's registry and the prefix's kind. The system
# block is left out: Wine builds its firmware table from the host's DMI files, which no fixture
# can describe (test_dmi gives Wine a made-up machine instead).
PARTS = ["computer/os", "device classes", "software", "statistics"]
# The large machines hold nothing that Wine answers otherwise than the small ones do: their
# size is the replay's test, and under Wine it would cost more than all the others together.
REPLAY_ONLY = {"volume-xp", "volume-vista-software"}
# What sorvik-regvol /check says about a value that the registry does not hold as the file does:
# the key and the value's name, their bytes outside ASCII as \xNN.
CHECK_PROBLEM = re.compile(r":\d+: value (?:differs|missing): \[(.*)\] (.*)$")


def unescape(text):
    return re.sub(r"\\x([0-9A-F]{2})", lambda match: chr(int(match.group(1), 16)), text)


class Differential(harness.WineTestCase):
    def check_fixture(self, name):
        if name in REPLAY_ONLY:
            self.skipTest("%s is a large machine, for the replay alone" % name)
        version, reason = harness.wine_version(name)
        if version is None:
            self.skipTest("Wine cannot present %s: %s" % (name, reason))
        if self.replay(name).returncode == 2:
            self.skipTest("%s does not load (a fixture for the loader's errors)" % name)
        wine = self.machine(version=version, code_page=harness.code_page(name))
        amend = {}
        wine.load_profile(name, lambda file_name, data: self.unheld(wine, file_name, data, amend))
        wine.make_dir("C:\\out")
        run = wine.run_sorvik(LINE)
        self.assertLikeReplay(self.report_of(run, OUT, wine),
                              harness.same_machine(self, version, [name], amend=amend),
                              LINE, OUT, PARTS, run, wine)

    @staticmethod
    def unheld(wine, file_name, data, amend):
        """After a failed check: deletes in Wine every value that regedit stored otherwise than
        the file says, and keeps the deletions for the replay's profile (True when that was all
        the check found)."""
        sections = []
        for problem in wine.log[-1].split("\n"):
            match = CHECK_PROBLEM.search(problem.strip())
            if match is None:
                continue
            key, value = (unescape(group) for group in match.groups())
            quoted = '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"') if value else "@"
            sections.append("[%s]\r\n%s=-\r\n" % (key, quoted))
        if sections:
            amend[file_name] = "REGEDIT4\r\n\r\n" + "\r\n".join(sections)
            wine.import_reg(amend[file_name])
            print("%s: values Wine cannot hold, left out on both sides:\n%s"
                  % (file_name, amend[file_name]))
        return bool(sections)


# CTest runs the fixtures in shards ("K/N": every Nth fixture from the Kth), all of them without.
_shard, _shards = (int(part) for part in os.environ.get("SORVIK_E2E_SHARD", "1/1").split("/"))
_fixtures = [name for name in sorted(os.listdir(harness.FIXTURES_DIR))
             if os.path.isfile(os.path.join(harness.FIXTURES_DIR, name, "machine.ini"))]
for _name in _fixtures[_shard - 1::_shards]:
    setattr(Differential, "test_" + re.sub(r"\W", "_", _name),
            lambda self, name=_name: self.check_fixture(name))

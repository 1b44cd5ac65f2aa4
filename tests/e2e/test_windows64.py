"""64-bit Windows 7 to 11: sorvik.exe in a 64-bit Wine prefix (CTest sets SORVIK_E2E_ARCH=win64
for this module) reads both registry views and the user's key of the 64-bit fixtures as
sorvik-replay does on a profile of the same machine. Both programs a 64-bit Windows meets run
in the same machine: the shipped i686 build through WoW64 (where Wine's 32-bit loader runs) and
the x86_64 build."""

import harness

OUT = "C:\\out\\r.xml"
LINE = '/software /out:"%s"' % OUT
# Wine has no Windows 11 setting, and its win7 is a server: win2008r2 presents 7.
FIXTURES = {"win7-x64": "win2008r2", "win10-x64": "win10", "win11-x64": "win10"}
EXES = [("x86_64", harness.sorvik_exe())] + [("i686 in WoW64", harness.product_exe())] * (
    harness._probe(harness.LOADERS["win32"]) is None)


class Windows64(harness.WineTestCase):
    def setUp(self):
        super().setUp()
        if harness.arch() != "win64":
            self.fail("this module needs a 64-bit prefix: SORVIK_E2E_ARCH=win64 (CTest sets it)")

    def test_both_views_and_the_user(self):
        for fixture, version in FIXTURES.items():
            wine = self.machine(version=version)
            wine.load_profile(fixture)
            wine.make_dir("C:\\out")
            profile = harness.same_machine(self, version, [fixture])
            for label, exe in EXES:
                with self.subTest(fixture=fixture, exe=label):
                    run = wine.run_sorvik(LINE, exe=exe)
                    self.assertLikeReplay(self.report_of(run, OUT, wine), profile, LINE, OUT,
                                          ["computer/os", "software", "statistics"], run, wine)
            wine.close()

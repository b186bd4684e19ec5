"""The release zip: what it holds, and the player and the checker run from it, unpacked, under Wine."""
import os
import subprocess
import unittest
import zipfile

import windows_harness as wh

VERSION = os.environ.get("QUILLMOOR_VERSION", "0.1")
TOP = "quillmoor-%s-win64/" % VERSION
# Each part inside, by the opening of its licence text.
LICENCES = {
    "licences/quillmoor/LICENSE": b"MIT License",
    "licences/sdl/COPYING": b"GNU LESSER GENERAL PUBLIC LICENSE",
    "licences/libopenmpt/LICENSE": b"OpenMPT Project Developers",
    "licences/libpng/LICENSE": b"PNG Reference Library License",
    "licences/zlib/LICENSE": b"Jean-loup Gailly and Mark Adler",
}


class WindowsZipTest(wh.WindowsTestCase):
    @classmethod
    def setUpClass(cls):
        made = subprocess.run([os.environ.get("QUILLMOOR_CPACK", "cpack"), "-G", "ZIP"], cwd=wh.WINDOWS_BUILD,
                              capture_output=True, text=True)
        if made.returncode != 0:
            raise AssertionError(made.stdout + made.stderr)
        cls.zip_path = os.path.join(wh.WINDOWS_BUILD, "quillmoor-%s-win64.zip" % VERSION)

    def test_the_zip_holds_the_programs_sdl_the_demo_a_readme_and_the_licences(self):
        with zipfile.ZipFile(self.zip_path) as z:
            names = {n[len(TOP):] for n in z.namelist() if not n.endswith("/")}
            self.assertTrue(all(n.startswith(TOP) for n in z.namelist()), "one folder at the top")
            demo_files = {"data/" + n for n in os.listdir(os.path.join(wh.DEMO_DIR, "data"))}
            copyrights = {d + "/debian-copyright" for d in {os.path.dirname(n) for n in LICENCES}
                          if not d.endswith("quillmoor")} | {"licences/mingw-w64/debian-copyright"}
            self.assertEqual(names - demo_files - copyrights,
                             {"quillmoor.exe", "quillmoor-check.exe", "SDL.dll", "README.txt"} | set(LICENCES))
            self.assertEqual(copyrights - names, set())
            self.assertEqual(demo_files - names, set())
            for name in demo_files:
                with open(os.path.join(wh.DEMO_DIR, name), "rb") as f:
                    self.assertEqual(z.read(TOP + name), f.read(), name)
            for name, opening in LICENCES.items():
                self.assertIn(opening, z.read(TOP + name)[:300], name)
            readme = z.read(TOP + "README.txt")
            self.assertIn(b"Double-click quillmoor.exe", readme)
            self.assertEqual(readme.count(b"\n"), readme.count(b"\r\n"), "Windows line ends")

    def test_the_player_and_the_checker_run_from_the_unpacked_zip(self):
        with zipfile.ZipFile(self.zip_path) as z:
            z.extractall(self.workdir)
        folder = os.path.join(self.workdir, TOP)
        run = (wh.harness.PlayerSession(folder, command=wh.under_wine(os.path.join(folder, "quillmoor.exe")),
                                        drop_knot_trace=True)
            .wait_trace_lines(20).sleep(1).key("Return").sleep(0.5).key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertTrue(run.window_seen)
        self.assertEqual(run.stderr, "")
        self.assertEqual(run.trace_lines[:2], ['"quillmoor: the bundled demo"', '"music on"'])
        status, out, err = wh.run_program(wh.under_wine(os.path.join(folder, "quillmoor-check.exe"), "--werror"),
                                          cwd=folder)
        self.assertEqual((status, out, err), (0, b"", b""))


if __name__ == "__main__":
    unittest.main()

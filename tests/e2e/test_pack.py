"""quillmoor-pack from an install tree of its own: the web folder and the Windows zip hold exactly the files
the demo reads, named as on disk, with the page or the programs and their licence texts; a demo with errors,
an output that exists or a missing release part writes nothing. The zip is read back with Python's own zip
reader. No X server needed (the page in a browser and the zip under Wine are tests of the release stage)."""
import json
import os
import shutil
import subprocess
import unittest
import zipfile

from harness import BINARY_DIR, SOURCE_DIR, E2ETestCase

PACK = os.path.join(BINARY_DIR, "tools", "quillmoor-pack")
LIVE = os.path.join(BINARY_DIR, "tools", "quillmoor-live")
WEB_PARTS = ["quillmoor.html", "quillmoor.js", "quillmoor.wasm"]
WINDOWS_PARTS = ["quillmoor.exe", "quillmoor-check.exe", "SDL.dll"]
# The starter demo's files as the scripts below name them (in other cases than on disk).
DEMO_FILES = ["data/blue.bmp", "data/clouds.tga", "data/cubes.qms", "data/fontv3-1.png", "data/fontv3-2.png",
              "data/globals.qms", "data/intro.qms", "data/materials.qms", "data/sky.png", "data/song.xm"]


def files_below(folder):
    return sorted(os.path.relpath(os.path.join(d, f), folder).replace(os.sep, "/")
                  for d, _, names in os.walk(folder) for f in names)


class PackTest(E2ETestCase):
    def install_tree(self, web=True, windows=True):
        """bin/quillmoor-pack with share/quillmoor/web and /windows beside it, as an installed tree has them."""
        root = os.path.join(self.workdir, "installed")
        os.makedirs(os.path.join(root, "bin"))
        shutil.copy(PACK, os.path.join(root, "bin"))
        for part, names, wanted in (("web", WEB_PARTS, web), ("windows", WINDOWS_PARTS, windows)):
            if not wanted:
                continue
            for name in names + ["licences/quillmoor.txt", "licences/%s-library.txt" % part]:
                self.write(os.path.join(root, "share", "quillmoor", part, name), "%s of %s\n" % (name, part))
            if part == "windows":  # as the Windows build writes it, for Notepad
                with open(os.path.join(SOURCE_DIR, "tools", "windows", "README.txt")) as f:
                    readme = f.read().replace("\n", "\r\n")
                self.write(os.path.join(root, "share", "quillmoor", part, "README.txt"), readme.encode())
        return os.path.join(root, "bin", "quillmoor-pack")

    def demo(self):
        """The starter demo with its script paths in other cases than the disk's, and private files beside it."""
        folder = os.path.join(self.workdir, "mine")
        subprocess.run([LIVE, "--new", folder], check=True, capture_output=True)
        for name in ("globals.qms", "materials.qms"):
            path = os.path.join(folder, "data", name)
            with open(path, encoding="latin-1") as f:
                text = f.read()
            text = (text.replace("data\\intro.qms", "DATA\\Intro.QMS").replace("data\\song.xm", "Data\\SONG.xm")
                    .replace("data\\sky.png", "data\\Sky.PNG"))
            with open(path, "w", encoding="latin-1") as f:
                f.write(text)
        self.write("mine/notes.txt", "private")
        with open(os.path.join(folder, "data", "sky.png"), "rb") as f:
            self.write("mine/data/unused.png", f.read())
        self.write("mine/capture/frame_00000.png", b"\x89PNG")
        return folder

    def pack(self, tool, *args):
        return subprocess.run([tool, *map(str, args)], capture_output=True, text=True, cwd=self.workdir)

    def test_the_outputs_hold_exactly_the_files_the_demo_reads(self):
        tool, demo = self.install_tree(), self.demo()
        result = self.pack(tool, "--werror", "--web", "site", "--windows", "out/mine.zip", demo)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertRegex(result.stdout, r"wrote site: 16 files, [0-9.]+ MB \(the demo's 10 files")
        self.assertRegex(result.stdout, r"wrote out/mine\.zip: 16 files, [0-9.]+ MB unpacked")

        site = os.path.join(self.workdir, "site")
        self.assertEqual(files_below(site), sorted(WEB_PARTS + DEMO_FILES + ["demo.json", "licences/quillmoor.txt",
                                                                           "licences/web-library.txt"]))
        with open(os.path.join(site, "demo.json")) as f:
            listed = json.load(f)["files"]
        self.assertEqual([e["path"] for e in listed], DEMO_FILES)
        for entry in listed:
            with open(os.path.join(demo, entry["path"]), "rb") as a, open(os.path.join(site, entry["path"]), "rb") as b:
                self.assertEqual(a.read(), b.read(), entry["path"])
            self.assertEqual(entry["bytes"], os.path.getsize(os.path.join(demo, entry["path"])))

        with zipfile.ZipFile(os.path.join(self.workdir, "out", "mine.zip")) as z:
            self.assertIsNone(z.testzip(), "every entry's CRC is right")
            expected = WINDOWS_PARTS + ["README.txt", "licences/quillmoor.txt", "licences/windows-library.txt"]
            self.assertEqual(sorted(z.namelist()), sorted("mine/" + name for name in expected + DEMO_FILES))
            for name in DEMO_FILES:
                with open(os.path.join(demo, name), "rb") as f:
                    self.assertEqual(z.read("mine/" + name), f.read(), name)
            readme = z.read("mine/README.txt").decode()
            self.assertIn("Double-click quillmoor.exe", readme)
            self.assertIn("\r\n", readme)
        self.assertEqual([n for n in os.listdir(os.path.join(self.workdir, "out")) if "partial" in n], [])

    def test_a_demo_with_errors_or_an_output_that_exists_writes_nothing(self):
        tool, demo = self.install_tree(), self.demo()
        os.remove(os.path.join(demo, "data", "cubes.qms"))
        result = self.pack(tool, "--web", "site", "--windows", "mine.zip", demo)
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("data/cubes.qms", result.stderr)
        self.assertIn("the demo has errors; nothing written", result.stderr)
        self.assertEqual(sorted(os.listdir(self.workdir)), ["installed", "mine"])

        self.write("mine/data/cubes.qms", "on load\n")
        self.write("site/kept.txt", "mine")
        result = self.pack(tool, "--web", "site", demo)
        self.assertEqual(result.returncode, 2)
        self.assertIn("site exists; --force replaces it", result.stderr)
        self.assertEqual(os.listdir(os.path.join(self.workdir, "site")), ["kept.txt"])
        result = self.pack(tool, "--force", "--web", "site", demo)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertNotIn("kept.txt", os.listdir(os.path.join(self.workdir, "site")))

    def test_outputs_are_named_as_given_and_never_overlap_the_demo(self):
        tool, demo = self.install_tree(), self.demo()
        # A script may name a file through "." or with doubled separators: it is one file, named plainly.
        with open(os.path.join(demo, "data", "globals.qms"), encoding="latin-1") as f:
            text = f.read()
        with open(os.path.join(demo, "data", "globals.qms"), "w", encoding="latin-1") as f:
            f.write(text.replace("DATA\\Intro.QMS", ".\\data\\\\intro.qms"))
        parent = os.path.dirname(demo)
        cases = [
            # (arguments, status, what standard error holds, what must exist afterwards)
            (["--web", "site/"], 0, "", "site/demo.json"),
            (["--force", "--web", parent], 2, "would replace the demo's own files", "mine/data/globals.qms"),
            (["--force", "--web", os.path.join(demo, "data")], 2, "would replace the demo's own files",
             "mine/data/globals.qms"),
            (["--force", "--windows", os.path.join(demo, "data", "song.xm")], 2,
             "would replace the demo's own files", "mine/data/song.xm"),
            (["--web", "x.zip", "--windows", "./x.zip"], 2, "name the same output", "mine/data/globals.qms"),
        ]
        for args, status, said, kept in cases:
            result = self.pack(tool, *args, demo)
            self.assertEqual(result.returncode, status, (args, result.stderr))
            self.assertIn(said, result.stderr, args)
            self.assertTrue(os.path.exists(os.path.join(self.workdir, kept)), (args, kept))
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "x.zip")))
        with open(os.path.join(self.workdir, "site", "demo.json")) as f:
            self.assertEqual([e["path"] for e in json.load(f)["files"]], DEMO_FILES)

    def test_an_installation_without_a_release_part_says_so_and_refuses_its_option(self):
        tool, demo = self.install_tree(windows=False), self.demo()
        help_text = self.pack(tool, "--help").stdout
        self.assertIn("has the web page but not the Windows programs", help_text)
        result = self.pack(tool, "--windows", "mine.zip", demo)
        self.assertEqual(result.returncode, 2)
        self.assertEqual(result.stderr.count("\n"), 1, result.stderr)
        self.assertIn("cannot write --windows", result.stderr)
        self.assertFalse(os.path.exists(os.path.join(self.workdir, "mine.zip")))


if __name__ == "__main__":
    unittest.main()

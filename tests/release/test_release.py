"""The release, as a user gets it: the Debian package made with the web page and the Windows programs,
unpacked, and its quillmoor-pack publishing two demos (the --new demo, and the same with its scripts naming
files in other cases than the disk's, with private files beside them). The web folder, served on 127.0.0.1
and opened in headless Chromium, shows frames that match the native capture; the zip, unpacked and run under
Wine + Xvfb, writes the native player's trace. Skipped when this build has not taken the page and the
Windows programs (see README, Releasing), unless QUILLMOOR_RELEASE_REQUIRED is set (CI's release stage)."""
import glob
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
for folder in ("e2e", "web", "windows"):
    sys.path.insert(0, os.path.join(HERE, "..", folder))

import harness  # noqa: E402
import windows_harness as wh  # noqa: E402

BUILD = os.environ.get("QUILLMOOR_BINARY_DIR", os.path.join(HERE, "..", "..", "build"))
FPS = 30
FRAMES = [30, 270]  # the intro with its title, and the cubes after Z08 (12 s) has turned them blue
MAX_SHARE = 0.0025  # of the pixels more than 8 levels off, as the web page's own test allows


def twist_case(demo):
    """The scripts name their files in other cases than the disk's; private files lie beside them."""
    for name, swaps in (("globals.qms", [("data\\intro.qms", "DATA\\Intro.QMS"), ("data\\song.xm", "Data\\SONG.xm")]),
                        ("materials.qms", [("data\\sky.png", "data\\Sky.PNG"), ("data\\blue.bmp", "DATA\\BLUE.BMP")])):
        path = os.path.join(demo, "data", name)
        with open(path, encoding="latin-1") as f:
            text = f.read()
        for old, new in swaps:
            assert old in text, old
            text = text.replace(old, new)
        with open(path, "w", encoding="latin-1") as f:
            f.write(text)
    with open(os.path.join(demo, "notes.txt"), "w") as f:
        f.write("private\n")
    shutil.copy(os.path.join(demo, "data", "sky.png"), os.path.join(demo, "data", "unused.png"))


class Release(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        staged = os.path.join(BUILD, "share", "quillmoor")
        if not (os.path.isdir(os.path.join(staged, "web")) and os.path.isdir(os.path.join(staged, "windows"))):
            if os.environ.get("QUILLMOOR_RELEASE_REQUIRED"):
                raise AssertionError("the build has not taken the page and the Windows programs into " + staged)
            raise unittest.SkipTest("no page or Windows programs in " + staged + " (see README, Releasing)")
        cls.temp = tempfile.mkdtemp(prefix="quillmoor-release-")
        made = subprocess.run(["cpack", "-G", "DEB", "-B", os.path.join(cls.temp, "deb"), "--config",
                               os.path.join(BUILD, "CPackConfig.cmake")], cwd=BUILD, capture_output=True, text=True)
        assert made.returncode == 0, made.stdout + made.stderr
        cls.root = os.path.join(cls.temp, "root")
        subprocess.run(["dpkg", "-x", glob.glob(os.path.join(cls.temp, "deb", "*.deb"))[0], cls.root], check=True)
        cls.bin = os.path.join(cls.root, "usr", "bin")
        cls.demos = {}
        for name in ("starter", "twisted"):
            demo = os.path.join(cls.temp, name)
            subprocess.run([os.path.join(cls.bin, "quillmoor-live"), "--new", demo], check=True, capture_output=True)
            if name == "twisted":
                twist_case(demo)
            packed = subprocess.run([os.path.join(cls.bin, "quillmoor-pack"), "--werror", "--web",
                                     os.path.join(cls.temp, name + "-site"), "--windows",
                                     os.path.join(cls.temp, name + ".zip"), demo], capture_output=True, text=True)
            assert packed.returncode == 0, packed.stderr
            print(packed.stdout.strip())
            cls.demos[name] = demo

    @classmethod
    def tearDownClass(cls):
        if hasattr(cls, "temp"):
            shutil.rmtree(cls.temp, ignore_errors=True)

    def test_private_files_stay_out(self):
        for name in self.demos:
            site = os.path.join(self.temp, name + "-site")
            with zipfile.ZipFile(os.path.join(self.temp, name + ".zip")) as z:
                in_zip = z.namelist()
            for private in ("notes.txt", "unused.png"):
                self.assertFalse(glob.glob(os.path.join(site, "**", private), recursive=True), (name, private))
                self.assertFalse([n for n in in_zip if n.endswith(private)], (name, private))

    def test_the_web_folder_shows_the_native_capture_in_chromium(self):
        import test_browser as page  # noqa: E402  (selenium and Chromium's set-up of the page's own test)
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        from selenium.webdriver.support.ui import WebDriverWait

        site_root = self.temp

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=site_root, **kwargs)

            def log_message(self, *args):
                pass

        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=server.serve_forever, daemon=True).start()
        browser = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                                   options=page.chromium_options(os.path.join(self.temp, "profile")))
        try:
            for name, demo in self.demos.items():
                native = os.path.join(self.temp, name + "-native")
                subprocess.run([os.path.join(self.bin, "quillmoor-capture"), "--fps", str(FPS), "--frames",
                                str(FRAMES[-1] + 1), "--out", native, "--no-sound"], cwd=demo, check=True,
                               capture_output=True, env=page.capture_environment())
                for frame in FRAMES:
                    browser.get("http://127.0.0.1:%d/%s-site/quillmoor.html?frame=%d&fps=%d"
                                % (server.server_address[1], name, frame, FPS))
                    WebDriverWait(browser, 300, poll_frequency=0.2).until(
                        lambda b: b.execute_script("return window.Module && Module.frameState"))
                    self.assertEqual(browser.execute_script("return Module.frameState"), "ready", (name, frame))
                    _, _, web = page.canvas_rgb(browser)
                    _, _, reference = page.layer.read_png(os.path.join(native, "frame_%05d.png" % frame))
                    largest, share = page.pixel_difference(web, bytes(reference))
                    print("%s frame %d: largest difference %d, %.4f %% of the pixels over %d levels"
                          % (name, frame, largest, 100 * share, page.LEVELS))
                    self.assertLessEqual(share, MAX_SHARE, (name, frame))
        finally:
            browser.quit()
            server.shutdown()
            server.server_close()

    def test_the_zip_unpacked_plays_under_wine_with_the_native_players_trace(self):
        for name, demo in self.demos.items():
            unpacked = os.path.join(self.temp, name + "-unpacked")
            with zipfile.ZipFile(os.path.join(self.temp, name + ".zip")) as z:
                z.extractall(unpacked)
            folder = os.path.join(unpacked, name)

            def play(command, cwd):
                # The intro's lines, then the next scene's at Enter, then Escape.
                return (harness.PlayerSession(cwd, command=command).wait_trace_lines(8).sleep(1).key("Return")
                        .sleep(1).key("Escape").run(exit_timeout=60))

            windows = play(wh.under_wine(os.path.join(folder, "quillmoor.exe")), folder)
            linux = play([os.path.join(self.bin, "quillmoor")], demo)
            self.assertEqual(windows.status, 0, windows.stderr)
            self.assertEqual(windows.stderr, "")
            self.assertEqual(linux.status, 0, linux.stderr)
            self.assertGreater(len(linux.trace_lines), 8)
            self.assertEqual(windows.trace_lines, linux.trace_lines, name)


if __name__ == "__main__":
    unittest.main()

"""The web page in headless Chromium: frames against the native capture tool, and sound after a click.

build-web/ is served on 127.0.0.1 and opened in headless Chromium, which draws WebGL with
SwiftShader. ?frame=N&fps=F renders exactly frame N (fast-forward steps, then one drawn frame);
its pixels are compared with frame N of quillmoor-capture, which draws every frame natively
through Mesa's llvmpipe: frames 600, 2400 and 4200 of the bundled demo, and one frame of each
object kind (the webgl layer test's scenes, packed for the same page). Then the plain page: it
waits for a click, and after one the AudioContext runs and the song's heard position moves on,
until Escape ends the demo. The trace reaches the console only with ?trace=1.

Tolerance, measured: the two renderers round differently on triangle edges and where nearest
filtering meets a texel edge. Pixels with a channel more than 8 levels off: 0 to 70 in the demo
frames, at most 488 (0.10 %, the text scene's glyph edges) for the kinds, except the ball's wire:
WebGL draws lines one pixel wide, GL the two that the ball asks for (1.1 %, allowed on its own).
A frame from the wrong moment differs far more: one frame early or late moves 4 % (frame 600),
25 % (frame 2400) and 7.8 % (frame 4200) of the pixels by more than 8 levels, and the layer's
known faults (a lost blend state, a colour not carried over, GL_CLAMP without its border) 0.5 %
and more.
"""

import base64
import http.server
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
WEB_DIR = os.environ.get("QUILLMOOR_WEB_DIR", os.path.join(HERE, "..", "..", "build-web"))
NATIVE_BUILD = os.environ.get("QUILLMOOR_NATIVE_BUILD", os.path.join(HERE, "..", "..", "build"))
DEMO = os.environ.get("QUILLMOOR_WEB_DEMO", os.path.join(NATIVE_BUILD, "demo"))
SOURCE_DIR = os.environ.get("QUILLMOOR_SOURCE_DIR", os.path.join(HERE, "..", ".."))
CAPTURE = os.path.join(NATIVE_BUILD, "tools", "quillmoor-capture")

# The layer test's scenes and PNG reader; its scene folders take the native build's demo data.
os.environ.setdefault("QUILLMOOR_BINARY_DIR", NATIVE_BUILD)
sys.path.insert(0, os.path.join(HERE, "..", "webgl"))
import test_layer_pixels as layer  # noqa: E402

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.action_chains import ActionChains  # noqa: E402
from selenium.webdriver.common.keys import Keys  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

FPS = 60
FRAMES = [600, 2400, 4200]
LEVELS = 8  # a pixel differs when a channel is more than this many levels off
MAX_SHARE = 0.0025  # of the pixels: 1,200 of 800 x 600
# WebGL draws lines one pixel wide; the ball's wire is two pixels wide in GL.
KIND_SHARE = {"vball": 0.02}


def chromium_options(user_data_dir):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--use-angle=swiftshader",
                 "--enable-unsafe-swiftshader", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--window-size=800,600", "--force-device-scale-factor=1",
                 # The desktop default: a page makes sound only after the user acted on it.
                 "--autoplay-policy=document-user-activation-required",
                 "--user-data-dir=" + user_data_dir):
        options.add_argument(flag)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return options


def pixel_difference(a, b):
    """(largest channel difference, share of pixels with a channel more than LEVELS off); RGB rows."""
    largest = over = 0
    for y in range(0, len(a), 2400):
        diffs = [abs(p - q) for p, q in zip(a[y:y + 2400], b[y:y + 2400])]
        largest = max(largest, max(diffs))
        over += sum(1 for i in range(0, 2400, 3) if max(diffs[i:i + 3]) > LEVELS)
    return largest, over / (len(a) // 3)


def canvas_rgb(browser):
    """The canvas's pixels as RGB rows, top row first."""
    width, height, data = browser.execute_script("""
        const canvas = document.getElementById("canvas");
        const copy = document.createElement("canvas");
        copy.width = canvas.width;
        copy.height = canvas.height;
        const context = copy.getContext("2d");
        context.drawImage(canvas, 0, 0);
        const rgba = context.getImageData(0, 0, copy.width, copy.height).data;
        const rgb = new Uint8Array(rgba.length / 4 * 3);
        for (let i = 0, j = 0; i < rgba.length; i += 4, j += 3) {
            rgb[j] = rgba[i]; rgb[j + 1] = rgba[i + 1]; rgb[j + 2] = rgba[i + 2];
        }
        let text = "";
        for (let i = 0; i < rgb.length; i += 0x8000)
            text += String.fromCharCode.apply(null, rgb.subarray(i, i + 0x8000));
        return [copy.width, copy.height, btoa(text)];
    """)
    return width, height, base64.b64decode(data)


def capture_environment():
    return dict(os.environ, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1", GALLIUM_DRIVER="llvmpipe")


class BrowserPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        # The site: the built page at /demo/, and pages made here for other demo folders.
        cls.temp = tempfile.mkdtemp(prefix="quillmoor-web-")
        cls.site = os.path.join(cls.temp, "site")
        os.makedirs(cls.site)
        os.symlink(os.path.abspath(WEB_DIR), os.path.join(cls.site, "demo"))
        site = cls.site

        class Handler(http.server.SimpleHTTPRequestHandler):
            def __init__(self, *args, **kwargs):
                super().__init__(*args, directory=site, **kwargs)

            def log_message(self, *args):
                pass

        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.root = "http://127.0.0.1:%d/" % cls.server.server_address[1]
        cls.browser = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                                       options=chromium_options(os.path.join(cls.temp, "profile")))

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.temp, ignore_errors=True)

    def console(self):
        return "\n".join(entry["message"] for entry in self.browser.get_log("browser"))

    def page_for(self, name, demo_folder):
        """The built page with another demo folder's data beside it, as the build puts its own, at /name/."""
        folder = os.path.join(self.site, name)
        os.makedirs(folder)
        for part in ("quillmoor.html", "quillmoor.js", "quillmoor.wasm"):
            os.symlink(os.path.join(os.path.abspath(WEB_DIR), part), os.path.join(folder, part))
        subprocess.run(["cmake", "-DDEMO=" + demo_folder, "-DOUT=" + folder, "-P",
                        os.path.join(SOURCE_DIR, "cmake", "web_demo.cmake")], check=True)
        return self.root + name + "/quillmoor.html"

    def failure_shown(self, url):
        """The page's message when it cannot play its demo."""
        self.browser.get(url)
        WebDriverWait(self.browser, 60).until(lambda b: b.execute_script("return document.body.className") == "failed")
        self.assertEqual(self.browser.execute_script("return Module.frameState"), "failed")
        return self.browser.find_element(By.ID, "status").text

    def render_frame(self, page, frame, fps, keys=""):
        self.browser.get("%s?frame=%d&fps=%g%s" % (page, frame, fps, "&keys=" + keys if keys else ""))
        WebDriverWait(self.browser, 300, poll_frequency=0.2).until(
            lambda b: b.execute_script("return window.Module && Module.frameState"))
        self.assertEqual(self.browser.execute_script("return Module.frameState"), "ready", self.console())
        self.assertEqual(self.browser.title, "frame %d ready" % frame)
        width, height, pixels = canvas_rgb(self.browser)
        self.assertEqual((width, height), (800, 600))
        return pixels

    def compare(self, label, web, native_png, allowed):
        _, _, reference = layer.read_png(native_png)
        largest, share = pixel_difference(web, bytes(reference))
        print("%-18s largest difference %3d, %.4f %% of the pixels over %d levels"
              % (label, largest, 100 * share, LEVELS))
        return [(label, share)] if share > allowed else []

    def test_demo_frames_look_as_the_capture_tool_draws_them(self):
        native = os.path.join(self.temp, "native")
        subprocess.run([CAPTURE, "--fps", str(FPS), "--frames", str(FRAMES[-1] + 1), "--from",
                        "%g" % (FRAMES[0] / FPS), "--every", str(FRAMES[1] - FRAMES[0]), "--out", native],
                       cwd=DEMO, check=True, stdout=subprocess.DEVNULL,
                       env=capture_environment())
        failing = []
        for frame in FRAMES:
            web = self.render_frame(self.root + "demo/quillmoor.html", frame, FPS)
            failing += self.compare("demo frame %d" % frame, web, os.path.join(native, "frame_%05d.png" % frame),
                                    MAX_SHARE)
        self.assertEqual(failing, [], "frames whose pixels differ from the native capture beyond the tolerance")

    def test_each_kind_looks_as_the_capture_tool_draws_it(self):
        failing = []
        for name, globals_name, kinds in (("kind", "globals.qms", layer.KINDS),
                                          ("unlit", "unlit_globals.qms", layer.UNLIT_KINDS)):
            folder = os.path.join(self.temp, name)
            layer.make_scene_folder(folder, globals_name)
            native = os.path.join(self.temp, name + "-native")
            frames = layer.capture(CAPTURE, folder, native, len(kinds))
            self.assertEqual(len(frames), len(kinds))
            page = self.page_for(name, folder)
            # The keys of the layer test's capture: Return starts each scene, 1 its event 0.
            keys = ",".join(["%g:Return" % (k * layer.SCENE_SECONDS) for k in range(1, len(kinds))] +
                            ["%g:1" % (k * layer.SCENE_SECONDS + 0.2) for k in range(len(kinds))])
            for kind, frame in zip(kinds, frames):
                web = self.render_frame(page, int(frame[6:11]), layer.FPS, keys)
                failing += self.compare(name + " " + kind, web, os.path.join(native, frame),
                                        KIND_SHARE.get(kind, MAX_SHARE))
        self.assertEqual(failing, [], "kinds whose pixels differ from the native capture beyond the tolerance")

    def test_a_song_the_module_player_cannot_read_plays_silence(self):
        # libopenmpt throws inside and catches at its interface; the page must not end there.
        folder = os.path.join(self.temp, "badsong")
        shutil.copytree(os.path.join(DEMO, "data"), os.path.join(folder, "data"))
        with open(os.path.join(folder, "data", "globals.qms")) as f:
            song = next(line.split(None, 2)[2].strip() for line in f if line.startswith("music file"))
        with open(os.path.join(folder, song.replace("\\", "/")), "wb") as f:
            f.write(b"not a module" * 100)
        self.render_frame(self.page_for("badsong", folder), 60, FPS)

    def test_a_missing_file_or_a_page_opened_from_disk_says_how_to_serve_the_demo(self):
        page = self.page_for("missing", DEMO)
        os.remove(os.path.join(self.site, "missing", "data", "globals.qms"))
        message = self.failure_shown(page)
        self.assertIn("data/globals.qms is missing beside the page (HTTP 404)", message)
        message = self.failure_shown("file://" + os.path.join(self.site, "missing", "quillmoor.html"))
        self.assertIn("python3 -m http.server", message)

    def test_trace_goes_to_the_console_only_when_asked(self):
        # The globals script's lines are the trace's first lines.
        self.console()  # what earlier pages logged
        for query, traced in (("?frame=1&trace=1", True), ("?frame=1", False)):
            self.browser.get(self.root + "demo/quillmoor.html" + query)
            WebDriverWait(self.browser, 60).until(
                lambda b: b.execute_script("return window.Module && Module.frameState"))
            self.assertEqual("music on" in self.console(), traced, query)

    def test_sound_starts_after_a_click(self):
        self.browser.get(self.root + "demo/quillmoor.html")
        WebDriverWait(self.browser, 60).until(
            lambda b: b.execute_script("return document.body.className") == "waiting")
        start = self.browser.find_element(By.ID, "start")
        self.assertTrue(start.is_displayed())
        time.sleep(0.5)
        self.assertEqual(self.browser.execute_script("return Module._quillmoor_frames_shown()"), 0,
                         "the demo started before the click")
        start.click()
        WebDriverWait(self.browser, 60).until(lambda b: b.execute_script(
            "return !!(Module.audioContext && Module.audioContext.state === 'running' &&"
            " Module._quillmoor_heard_song_frames() > 0)"), self.console())
        self.assertFalse(start.is_displayed())
        heard = self.browser.execute_script("return Module._quillmoor_heard_song_frames()")
        shown = self.browser.execute_script("return Module._quillmoor_frames_shown()")
        time.sleep(3)
        heard_later = self.browser.execute_script("return Module._quillmoor_heard_song_frames()")
        shown_later = self.browser.execute_script("return Module._quillmoor_frames_shown()")
        print("in 3 s: %d song frames heard, %d frames shown (%.1f frames per second)"
              % (heard_later - heard, shown_later - shown, (shown_later - shown) / 3))
        # Three seconds of song at 44100 Hz, give or take the browser's scheduling.
        self.assertGreater(heard_later - heard, 2 * 44100)
        self.assertLess(heard_later - heard, 4 * 44100)
        self.assertGreater(shown_later, shown)
        # The player's keys reach the demo: Escape ends it, and no frame follows.
        ActionChains(self.browser).send_keys(Keys.ESCAPE).perform()
        time.sleep(0.5)
        ended = self.browser.execute_script("return Module._quillmoor_frames_shown()")
        time.sleep(0.5)
        self.assertEqual(self.browser.execute_script("return Module._quillmoor_frames_shown()"), ended)


if __name__ == "__main__":
    unittest.main()

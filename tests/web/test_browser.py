"""The web page in headless Chromium: frames against the native capture tool, and sound after a click.

build-web/ is served on 127.0.0.1 and opened in headless Chromium, which draws WebGL with
SwiftShader. ?frame=N&fps=60 renders exactly frame N (fast-forward steps, then one drawn
frame); its pixels are compared with frame N of quillmoor-capture, which draws every frame
natively with Mesa's llvmpipe. Then the plain page: it waits for a click, and after one the
AudioContext runs and the song's heard position moves on.

Tolerance: the two renderers round differently along triangle edges and in texture filtering.
Measured on frames 600, 2400 and 4200 of the bundled demo: see MAX_SHARE below. A frame from the
wrong moment (one frame off, a sync value released a frame late) or a lost GL state differs
far more: that is what the test is for.
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
sys.path.insert(0, os.path.join(HERE, "..", "webgl"))
from test_layer_pixels import read_png  # noqa: E402  (the capture tool's PNGs)

from selenium import webdriver  # noqa: E402
from selenium.webdriver.chrome.service import Service  # noqa: E402
from selenium.webdriver.common.by import By  # noqa: E402
from selenium.webdriver.support.ui import WebDriverWait  # noqa: E402

WEB_DIR = os.environ.get("QUILLMOOR_WEB_DIR", os.path.join(HERE, "..", "..", "build-web"))
NATIVE_BUILD = os.environ.get("QUILLMOOR_NATIVE_BUILD", os.path.join(HERE, "..", "..", "build"))
DEMO = os.environ.get("QUILLMOOR_WEB_DEMO", os.path.join(NATIVE_BUILD, "demo"))
CAPTURE = os.path.join(NATIVE_BUILD, "tools", "quillmoor-capture")

FPS = 60
FRAMES = [600, 2400, 4200]
LEVELS = 24  # a pixel "differs" when a channel is more than this many levels off
MAX_SHARE = 0.01  # at most this share of the pixels may differ


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


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=WEB_DIR, **kwargs)

    def log_message(self, *args):
        pass


def pixel_difference(a, b):
    """(largest channel difference, share of pixels with a channel more than LEVELS off); RGB rows."""
    largest = over = 0
    for y in range(0, len(a), 2400):
        row_a, row_b = a[y:y + 2400], b[y:y + 2400]
        diffs = [abs(p - q) for p, q in zip(row_a, row_b)]
        largest = max(largest, max(diffs))
        over += sum(1 for i in range(0, 2400, 3) if max(diffs[i:i + 3]) > LEVELS)
    return largest, over / (len(a) // 3)


def canvas_rgb(browser):
    """The canvas's pixels as RGB rows, top row first."""
    encoded = browser.execute_script("""
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
    width, height, data = encoded
    return width, height, base64.b64decode(data)


class BrowserPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.mkdtemp(prefix="quillmoor-web-")
        cls.server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), QuietHandler)
        threading.Thread(target=cls.server.serve_forever, daemon=True).start()
        cls.url = "http://127.0.0.1:%d/quillmoor.html" % cls.server.server_address[1]
        cls.browser = webdriver.Chrome(service=Service(shutil.which("chromedriver") or "/usr/bin/chromedriver"),
                                       options=chromium_options(os.path.join(cls.temp, "profile")))
        cls.browser.set_script_timeout(60)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.server.shutdown()
        cls.server.server_close()
        shutil.rmtree(cls.temp, ignore_errors=True)

    def console(self):
        return "\n".join(entry["message"] for entry in self.browser.get_log("browser"))

    def render_frame(self, frame):
        self.browser.get("%s?frame=%d&fps=%d" % (self.url, frame, FPS))
        WebDriverWait(self.browser, 300, poll_frequency=0.2).until(
            lambda b: b.execute_script("return window.Module && Module.frameState"))
        state = self.browser.execute_script("return Module.frameState")
        self.assertEqual(state, "ready", self.console())
        self.assertEqual(self.browser.title, "frame %d ready" % frame)
        return canvas_rgb(self.browser)

    def test_frames_look_as_the_capture_tool_draws_them(self):
        native = os.path.join(self.temp, "native")
        subprocess.run([CAPTURE, "--fps", str(FPS), "--frames", str(FRAMES[-1] + 1), "--from",
                        "%g" % (FRAMES[0] / FPS), "--every", str(FRAMES[1] - FRAMES[0]), "--out", native,
                        "--trace", os.devnull], cwd=DEMO, check=True, stdout=subprocess.DEVNULL,
                       env=dict(os.environ, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1",
                                GALLIUM_DRIVER="llvmpipe"))
        failing = []
        for frame in FRAMES:
            started = time.monotonic()
            width, height, web = self.render_frame(frame)
            seconds = time.monotonic() - started
            self.assertEqual((width, height), (800, 600))
            _, _, reference = read_png(os.path.join(native, "frame_%05d.png" % frame))
            largest, share = pixel_difference(web, bytes(reference))
            print("frame %5d: rendered in %.1f s; largest difference %3d, %.4f %% of the pixels over %d levels"
                  % (frame, seconds, largest, 100 * share, LEVELS))
            if share > MAX_SHARE:
                failing.append((frame, share))
        self.assertEqual(failing, [], "frames whose pixels differ from the native capture beyond the tolerance")

    def test_sound_starts_after_a_click(self):
        self.browser.get(self.url)
        WebDriverWait(self.browser, 60).until(
            lambda b: b.execute_script("return document.body.className") == "waiting")
        start = self.browser.find_element(By.ID, "start")
        self.assertTrue(start.is_displayed())
        time.sleep(0.5)
        self.assertFalse(self.browser.execute_script("return !!(window.Module && Module.audioContext)"),
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


if __name__ == "__main__":
    unittest.main()

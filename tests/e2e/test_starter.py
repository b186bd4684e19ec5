"""The starter demo plays: written by quillmoor-live --new and captured offline, it reads both scene
scripts, shows its pictures, turns its cubes blue on Z08 and back on Z09, and ends by itself at the song's
second Z00, after eight bars of 2 s. No X server needed."""
import os
import subprocess
import unittest

from harness import BINARY_DIR, E2ETestCase
from test_capture import RATE, Png, Wav, run_capture

LIVE = os.path.join(BINARY_DIR, "tools", "quillmoor-live")
FPS = 10


def blueness(png):
    """How much bluer than red the middle of the frame, where the cubes turn, is on average."""
    grid = [png.pixel(x, y) for y in range(png.height // 4, png.height * 3 // 4, 10)
            for x in range(png.width // 4, png.width * 3 // 4, 10)]
    return sum(p[2] - p[0] for p in grid) / len(grid)


class StarterDemoTest(E2ETestCase):
    def test_it_plays_both_scenes_and_ends_after_eight_bars(self):
        demo = os.path.join(self.workdir, "mine")
        made = subprocess.run([LIVE, "--new", demo], capture_output=True, text=True)
        self.assertEqual(made.returncode, 0, made.stderr)
        again = subprocess.run([LIVE, "--new", demo], capture_output=True, text=True)
        self.assertEqual(again.returncode, 1, "a folder with a data folder is refused")

        captured = run_capture(demo, "--fps", FPS, "--every", 5, "--out", "shots", "--trace", "trace.txt")
        self.assertEqual(captured.returncode, 0, captured.stderr)
        with open(os.path.join(demo, "trace.txt"), encoding="latin-1") as f:
            trace = f.read().splitlines()
        self.assertIn('"scenes intro cubes"', trace)
        self.assertIn("my first demo,1,0.9,0.6,1", trace)
        self.assertIn("grow it from here,0.7,0.9,1,1", trace)

        # The sound runs to the end of the capture: the second Z00, at 16 s, ends the demo within a frame.
        seconds = Wav(os.path.join(demo, "shots", "audio.wav")).frames / RATE
        self.assertGreaterEqual(seconds, 16.0)
        self.assertLessEqual(seconds, 16.0 + 1.0 / FPS + 1e-6)

        def shot(t):
            return Png(os.path.join(demo, "shots", "frame_%05d.png" % round(t * FPS)))

        # 2.5 s: the intro with its title; then the cubes before Z08 (12 s), after it, and after Z09 (14 s).
        for t in (2.5, 11.5, 12.5, 14.5):
            self.assertFalse(shot(t).flat(), t)
        self.assertGreater(blueness(shot(12.5)), blueness(shot(11.5)) + 5)
        self.assertLess(blueness(shot(14.5)), blueness(shot(12.5)) - 5)


if __name__ == "__main__":
    unittest.main()

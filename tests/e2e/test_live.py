"""quillmoor-live on a copy of the bundled demo under Xvfb, in one session: a start at a playlist entry, a pause
that holds the picture, a seek that lands on the very frame a capture renders at that moment, a script edited in
place and shown at the same moment, a broken save held back with its diagnostic, and a save by delete and
rewrite taken once. A click on the timeline seeks to the time under the mouse and a drag scrubs. Then the exit
statuses of runs that cannot start."""
import os
import re
import subprocess

from harness import BINARY_DIR, DEMO_DIR, E2ETestCase, Image
from test_capture import Png

LIVE = os.path.join(BINARY_DIR, "tools", "quillmoor-live")
CAPTURE = os.path.join(BINARY_DIR, "tools", "quillmoor-capture")
CHECK = os.path.join(BINARY_DIR, "tools", "quillmoor-check")
STEPS = 60  # the live tool's fast-forward steps per second
KNOT_STEP = 1919  # the knot entry begins where its Z00 (0:31.974) is heard: step 1919 (quillmoor-check --timeline)


def shown_step(title):
    """The frame step of the moment a window title shows: "Quillmoor DEMO 2 - 0:37.483 knot (paused)"."""
    m = re.search(r" - (\d+):(\d\d\.\d\d\d) ", title)
    assert m, title
    return round((int(m.group(1)) * 60 + float(m.group(2))) * STEPS)


def largest_difference(shot, png):
    """The largest channel difference between a screenshot and a captured frame, over every pixel."""
    worst = 0
    for y in range(0, png.height):
        row = png.rows[y]
        for x in range(0, png.width, 2):
            p = shot.pixel(x, y)
            worst = max(worst, abs(p[0] - row[3 * x]), abs(p[1] - row[3 * x + 1]), abs(p[2] - row[3 * x + 2]))
    return worst


class LiveSessionTest(E2ETestCase):
    def capture_frame(self, data_dir, step):
        """The frame `step` of the demo with the given data, rendered by quillmoor-capture."""
        folder = os.path.join(self.workdir, "capture-%d" % len(os.listdir(self.workdir)))
        os.makedirs(folder)
        os.symlink(data_dir, os.path.join(folder, "data"))
        # Half a frame early: capture takes the first frame at or after each time.
        subprocess.run([CAPTURE, "--from", "%.6f" % ((step - 0.5) / STEPS), "--to", "%.6f" % ((step + 0.5) / STEPS),
                        "--out", "frames"], cwd=folder, check=True, capture_output=True,
                       env=dict(os.environ, SDL_AUDIODRIVER="dummy"))
        return Png(os.path.join(folder, "frames", "frame_%05d.png" % step))

    def test_seek_pause_edit_and_broken_save(self):
        self.copy_tree(DEMO_DIR)
        with open(os.path.join(self.workdir, "data", "knot.qms"), encoding="latin-1") as f:
            original = f.read()
        edited = original.replace("load backdrop", "load ember")  # another sky behind the knot
        broken = edited.replace("knotloop.crv", "nothere.crv")  # the camera's curve is missing
        self.assertNotEqual(edited, original)
        self.assertNotEqual(broken, edited)

        s = self.session(command=[LIVE, "--scene", "knot"])
        s.wait_title(" knot").sleep(1).title()
        s.key("space").sleep(0.5).title().shot("paused").sleep(1).shot("paused_later")
        s.key("Right").wait_title_change().sleep(0.5).title().shot("seeked")
        s.write("data/knot.qms", edited).wait_stderr("reloaded").sleep(0.5).title().shot("edited")
        s.write("data/knot.qms", broken).wait_stderr("held back").sleep(0.5).shot("broken")
        # As some editors save: the file is gone for a while, then written again.
        s.write("data/knot.qms", edited, delete_first=True, gap=0.3).wait_stderr("reloaded", count=2)
        s.sleep(0.5).shot("rewritten")
        s.key("Escape")
        run = s.run(exit_timeout=30)
        self.assertTrue(run.window_seen)
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stdout, b"", "no trace unless asked for")

        playing, paused, seeked, edited_at = (shown_step(t) for t in run.titles)
        self.assertIn(" knot", run.titles[0])
        self.assertTrue(KNOT_STEP < playing < KNOT_STEP + 4 * STEPS, run.titles[0])
        self.assertIn("(paused)", run.titles[1])

        # Paused, the picture holds.
        self.assertEqual(run.shot("paused").pixels, run.shot("paused_later").pixels)
        # Right: 5 s on, exactly; the frame shown is the one a capture renders there.
        self.assertEqual(seeked, paused + 5 * STEPS)
        self.assertLessEqual(largest_difference(run.shot("seeked"), self.capture_frame(
            os.path.join(DEMO_DIR, "data"), seeked)), 2)

        # Saved in place: the new sky at the same moment, as a capture of the new files shows it.
        self.assertEqual(edited_at, seeked)
        self.assertNotEqual(run.shot("edited").pixels, run.shot("seeked").pixels)
        with open(os.path.join(self.workdir, "data", "knot.qms"), "rb") as f:
            self.assertEqual(f.read().decode("latin-1"), edited)
        self.assertLessEqual(largest_difference(run.shot("edited"), self.capture_frame(
            os.path.join(self.workdir, "data"), edited_at)), 2)

        # Broken: the picture stays (above the line at the bottom edge that says it is held back), the
        # diagnostic is on standard error as the checker writes it.
        above = run.shot("broken").width * 3 * 570
        self.assertEqual(run.shot("broken").pixels[:above], run.shot("edited").pixels[:above])
        self.assertNotEqual(run.shot("broken").pixels, run.shot("edited").pixels, "no held-back line")
        self.assertIn('data/knot.qms:28: error: cannot open curve "data/nothere.crv"\n', run.stderr)
        self.assertEqual(run.stderr.count(": error: "), 1, run.stderr)

        # Deleted and written again: one reload, and the picture of those files.
        self.assertEqual(run.stderr.count("reloaded at"), 2, run.stderr)
        self.assertEqual(run.shot("rewritten").pixels, run.shot("edited").pixels)
        for delay in re.findall(r"reloaded at \S+, ([\d.]+) s after the save", run.stderr):
            print("save to picture: %s s" % delay)

    def test_a_click_on_the_timeline_seeks_and_a_drag_scrubs(self):
        self.copy_tree(DEMO_DIR)
        timeline = subprocess.run([CHECK, "--timeline", self.workdir], capture_output=True, text=True).stdout
        m = re.match(r"song \S+: (\d+):(\d\d\.\d\d\d)", timeline)
        self.assertTrue(m, timeline)
        length = int(m.group(1)) * 60 + float(m.group(2))  # the first pass spans the window's 800 pixels

        s = self.session(command=[LIVE])
        s.wait_title(" intro").key("space", "h").sleep(0.5).title()
        s.click(400, 590).wait_title_change().sleep(0.5).title()
        # Each point of the drag may be a seek of its own; on a busy machine the title passes through
        # them, so wait for the scene where the drag ends rather than for the first change.
        s.click(100, 590, through=[(200, 585), (300, 575)]).wait_title(" knot (paused)").sleep(0.5).title()
        s.click(600, 300).sleep(0.5).title()  # above the strip: nothing happens
        s.key("Escape")
        run = s.run(exit_timeout=30)
        self.assertEqual(run.status, 0, run.stderr)
        _, middle, dragged, elsewhere = run.titles
        # The middle of the strip is the middle of the song's first pass (to a pixel), in the ball scene,
        # which begins at 0:47.961; the drag ends a little past 3/8 of it, in the knot scene.
        self.assertLessEqual(abs(shown_step(middle) / STEPS - length / 2), length / 800 + 1 / STEPS, middle)
        self.assertIn(" ball (paused)", middle)
        self.assertLessEqual(abs(shown_step(dragged) / STEPS - length * 300 / 800), length / 800 + 1 / STEPS)
        self.assertIn(" knot (paused)", dragged)
        self.assertEqual(elsewhere, dragged)

    def test_exit_statuses(self):
        cases = [
            (["--help"], 0, "Usage: quillmoor-live"),
            (["--version"], 0, "quillmoor-live "),
            (["--loop", "20", "10"], 2, "--loop A B wants B later than A"),
            ([os.path.join(self.workdir, "nowhere")], 2, "no such folder"),
            ([self.workdir], 1, "no demo in"),
            # Said before any window opens (there is no display here).
            (["--scene", "Knot", DEMO_DIR], 2, 'Knot: no playlist entry of that name; the nearest is "knot"'),
        ]
        for args, status, text in cases:
            with self.subTest(args=args):
                env = dict(os.environ, SDL_AUDIODRIVER="dummy")
                env.pop("DISPLAY", None)
                result = subprocess.run([LIVE] + args, capture_output=True, text=True, timeout=30, env=env)
                self.assertEqual(result.returncode, status, result.stderr)
                self.assertIn(text, result.stdout + result.stderr)

"""The Windows player under Wine + Xvfb against the Linux player: the bundled demo's trace, the window, its
keys, the exit statuses, no display, no sound device, a still picture against the Linux capture tool, and
no file written."""
import os
import shutil
import subprocess
import unittest

import windows_harness as wh
from harness import Image, near

# A scene where nothing moves: a picture behind, a textured square, a textured cube and a picture in
# front, all still, so that any moment of it is the same picture.
STILL_GLOBALS = "still: nothing moves\nnew scene data\\still.qms still\nscenes still\n"
STILL_SCENE = (
    "on load\n"
    "new background sky\nload backdrop\nend new\n"
    "new square emblem\nload emblem\nposition -6 0 -30\nscale 1.5 1.5 1.5\nend new\n"
    "new cube c1\nposition 8 -2 -20\nscale 3 3 3\nend new\n"
    "new foreground frame\nload vignette\nend new\n"
)
# Measured: the Windows player's picture under Wine (Mesa's llvmpipe through Wine's WGL and GLX) and the
# Linux capture tool's (llvmpipe through EGL) were the same in every channel of all 480,000 pixels, as
# was the Linux player's. Different rounding in another Mesa may move a few edge pixels by a step or two;
# a missing texture, a wrong blend or a picture moved by one pixel changes thousands by far more.
STILL_CHANNEL_STEP = 2
STILL_PIXELS_BEYOND = 480  # 0.1 % of the picture


def trace_without_knot(run):
    return [line for line in run.trace_lines if not line.startswith(wh.KNOT_PREFIXES)]


class WindowsPlayerTest(wh.WindowsTestCase):
    def test_the_bundled_demo_traces_as_on_linux_changes_scene_on_enter_and_ends_on_escape(self):
        self.copy_tree(wh.DEMO_DIR)
        # Enter twice: from the intro through the floor to the knot, whose vectors are traced.
        def drive(session):
            return (session.wait_trace_lines(20).sleep(1).key("Return").sleep(1).key("Return").sleep(3)
                    .key("Escape").run(exit_timeout=60))

        linux = drive(self.linux_session(knot_lines=True))
        linux_knot = linux.knot_lines()
        windows = drive(self.windows_session(knot_lines=True))
        self.assertEqual(windows.status, 0, windows.stderr)
        self.assertFalse(windows.timed_out)
        self.assertTrue(windows.window_seen)
        self.assertEqual(windows.stderr, "")
        self.assertEqual(linux.status, 0, linux.stderr)
        self.assertEqual(trace_without_knot(windows), trace_without_knot(linux))
        self.assertGreater(len(trace_without_knot(windows)), 20)
        # The knot scene was reached and traced whole frames, as on Linux.
        for name, count in [("windows", windows.knot_lines()), ("linux", linux_knot)]:
            self.assertGreater(count, 0, name)
            self.assertEqual(count % wh.KNOT_VERTICES, 0, name)

    def test_enter_goes_to_the_next_scene_and_the_window_fills_the_screen(self):
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", "two scenes\nnew scene data\\a.qms a\nnew scene data\\B.QMS b\nscenes a b\n")
        self.write("data/a.qms", "on load\n")
        self.write("data/b.qms", "on load\nnew stdmodel m\nload data\\model.md3\nposition 0 0 -40\nend new\n")
        shutil.copy(os.path.join(wh.DEMO_DIR, "data", "model.md3"), os.path.join(self.workdir, "data"))
        run = (self.windows_session().wait_trace_lines(4).sleep(0.5).shot("a").key("Return").sleep(0.5)
               .shot("b").key("Return").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out, "Enter on the last scene ends the run")
        a, b = run.shot("a"), run.shot("b")
        # Full screen, 800x600: the clear colour reaches every corner of the screen.
        for x, y in [(0, 0), (799, 0), (0, 599), (799, 599), (400, 300)]:
            self.assertTrue(near(a.pixel(x, y), wh.MAGENTA), (x, y, a.pixel(x, y)))
        self.assertFalse(near(b.pixel(400, 300), wh.MAGENTA, 10), "scene b shows the model in the middle")

    def test_f1_switches_to_a_window_and_back_and_closing_the_window_ends_the_run(self):
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", "listening\n")
        run = (self.windows_session().wait_trace_lines(1).sleep(0.3).key("F1").sleep(1).shot("window")
               .key("F1").sleep(1).shot("full").close_window().run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)
        window, full = run.shot("window"), run.shot("full")
        # In a window the picture has a frame around it (the screen's corner is not the picture's); back
        # in full screen it fills the screen again, drawn with the same OpenGL context.
        self.assertTrue(near(window.pixel(400, 300), wh.MAGENTA))
        self.assertFalse(near(window.pixel(0, 0), wh.MAGENTA, 10), window.pixel(0, 0))
        for x, y in [(0, 0), (799, 599), (400, 300)]:
            self.assertTrue(near(full.pixel(x, y), wh.MAGENTA), (x, y, full.pixel(x, y)))

    def test_without_a_display_it_says_so_in_one_line_and_ends_with_status_1(self):
        self.copy_tree(wh.DEMO_DIR)
        run = self.windows_session(use_x=False).run()
        self.assertEqual(run.status, 1, run.stderr)
        self.assertEqual(run.stdout, b"")
        self.assertRegex(run.stderr, r"\ACouldn't set GL mode: [^\n]+\n\Z")

    def test_without_the_globals_script_it_says_so_in_one_line_and_ends_with_status_1(self):
        linux = self.linux_session().run()
        windows = self.windows_session().run()
        self.assertEqual(windows.status, 1)
        self.assertEqual((windows.stdout, windows.stderr), (linux.stdout, linux.stderr))
        self.assertEqual(windows.stderr.count("\n"), 1, windows.stderr)

    def test_without_a_sound_device_it_says_so_in_one_line_and_plays_on(self):
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", "listening\nmusic on\n")
        # No sound card here: Wine's own outputs find none, SDL's drivers fail, the dummy plays.
        run = (self.windows_session(env={"SDL_AUDIODRIVER": None}).wait_trace_lines(2).sleep(1)
               .key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertEqual(run.stderr, "quillmoor: no sound output; playing silently\n")
        self.assertEqual(run.trace_lines, ['"listening"', '"music on"'])

    def test_a_still_picture_matches_the_linux_capture_of_that_moment(self):
        self.copy_tree(wh.DEMO_DIR)
        self.write("data/globals.qms", STILL_GLOBALS)
        self.write("data/still.qms", STILL_SCENE)
        capture = subprocess.run([wh.LINUX_CAPTURE, "--fps", "10", "--from", "3", "--to", "3.1", "--no-sound",
                                  "--out", "capture"], cwd=self.workdir, capture_output=True, env=dict(
                                      os.environ, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1"))
        self.assertEqual(capture.returncode, 0, capture.stderr)
        subprocess.run(["convert", "capture/frame_00030.png", "capture.ppm"], cwd=self.workdir, check=True)
        expected = Image(os.path.join(self.workdir, "capture.ppm"))
        run = self.windows_session().wait_trace_lines(3).sleep(3).shot("still").key("Escape").run()
        self.assertEqual(run.status, 0, run.stderr)
        shot = run.shot("still")
        self.assertEqual((shot.width, shot.height), (expected.width, expected.height))
        beyond = sum(1 for i in range(len(shot.pixels))
                     if abs(shot.pixels[i] - expected.pixels[i]) > STILL_CHANNEL_STEP)
        self.assertLessEqual(beyond, STILL_PIXELS_BEYOND, "channel values off by more than %d" % STILL_CHANNEL_STEP)

    def test_the_programs_write_no_file(self):
        # The player and the checker write only to their standard streams: nothing in the demo's
        # folder, and nothing anywhere on Wine's drive C (where Windows' tmpfile would write, under
        # Wine into its temporary folder) but Wine's own Windows folder.
        self.copy_tree(wh.DEMO_DIR)
        drive_c = os.path.join(wh.PREFIX, "drive_c")

        def files():
            found = set()
            for top in [self.workdir, drive_c]:
                for root, dirs, names in os.walk(top):
                    if root == drive_c:
                        dirs[:] = [d for d in dirs if d != "windows"]
                    found.update(os.path.join(root, n) for n in names)
            return found

        before = files()
        run = self.windows_session(knot_lines=True).wait_trace_lines(20).sleep(2).key("Escape").run()
        self.assertEqual(run.status, 0, run.stderr)
        for args in [["--timeline"], ["--werror", "."]]:
            status, _, err = wh.run_program(wh.under_wine(wh.CHECKER_EXE, *args), cwd=self.workdir)
            self.assertEqual(status, 0, err)
        written = files() - before
        written -= {os.path.join(self.workdir, n) for n in ["stdout.txt", "stderr.txt", "result.json",
                                                              "plan.json", "knot_lines.txt"]}
        self.assertEqual(written, set())


if __name__ == "__main__":
    unittest.main()

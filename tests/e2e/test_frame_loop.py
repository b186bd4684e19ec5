"""The player's window, clear colour, Escape, window close, and the start-up failure."""
import os
import shutil
import unittest

from harness import DEMO_DIR, E2ETestCase, near

MAGENTA = (178, 0, 128)


class FrameLoopTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.write("data/materials.qms", "")
        # One comment line: its echo on the trace says the player listens for keys now
        # (a key or close sent before that is lost, as in the player it always has been).
        self.write("data/globals.qms", "listening\n")

    def test_frames_are_magenta_and_escape_ends_the_run(self):
        run = self.session().wait_trace_lines(1).sleep(0.3).shot("running").key("Escape").run()
        self.assertTrue(run.window_seen)
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)
        shot = run.shot("running")
        for x, y in [(400, 300), (0, 0), (799, 599), (10, 590)]:
            self.assertTrue(near(shot.pixel(x, y), MAGENTA), (x, y, shot.pixel(x, y)))
        self.assertEqual(run.stderr, "")

    def test_closing_the_window_ends_the_run(self):
        run = self.session().wait_trace_lines(1).close_window().run()
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)

    def test_keys_that_are_not_bound_change_nothing(self):
        # A model in the middle that every scene event hides, a next scene and a
        # scratch script that are both empty: a key that ran an event, changed the
        # scene or read the scratch script would leave the middle magenta, and one
        # that ended the run would end it before Escape.
        shutil.copy(os.path.join(DEMO_DIR, "data", "model.md3"), os.path.join(self.workdir, "data"))
        self.write("data/a.qms", "on load\nnew stdmodel m\nload data\\model.md3\nposition 0 0 -40\nend new\n"
                   + "".join(f"on sync {n}\nselect m\nvisable f\n" for n in range(256)))
        self.write("data/b.qms", "on load\n")
        self.write("tmpscene.qms", "on load\n")
        self.write("data/globals.qms", "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n")
        # Keypad digits, 0, Enter on the keypad and other keys the player has no use for,
        # pressed once the globals script has been read (its four trace lines), so that
        # the player is surely listening.
        run = (self.session().wait_trace_lines(4).sleep(0.3).shot("before")
               .key("0", "KP_1", "KP_9", "KP_Enter", "space", "a", "Tab", "BackSpace", "F3", "F12")
               .sleep(0.3).shot("after").key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)
        self.assertFalse(near(run.shot("before").pixel(400, 300), MAGENTA, 10))
        self.assertFalse(near(run.shot("after").pixel(400, 300), MAGENTA, 10))

    def test_f1_switches_to_a_window_and_back(self):
        run = (self.session().wait_trace_lines(1).key("F1").sleep(0.3).key("F1").sleep(0.3).shot("back")
               .key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertTrue(near(run.shot("back").pixel(400, 300), MAGENTA))

    def test_without_a_display_the_program_says_so_in_one_line_and_writes_no_trace(self):
        # Without X, SDL would try its text-console drivers, which draw on the terminal
        # (standard output) or, with no TERM, end the process themselves.
        for term in ["xterm", None]:
            with self.subTest(TERM=term):
                run = self.session(use_x=False, env={"TERM": term}).run()
                self.assertEqual(run.status, 1, run.stderr)
                self.assertEqual(run.stdout, b"")
                self.assertRegex(run.stderr, r"\ACouldn't set GL mode: [^\n]+\n\Z")

    def test_a_video_driver_without_opengl_is_a_gl_mode_failure(self):
        run = self.session(use_x=False, env={"SDL_VIDEODRIVER": "dummy"}).run()
        self.assertEqual(run.status, 1)
        self.assertTrue(run.stderr.startswith("Couldn't set GL mode: "), run.stderr)


if __name__ == "__main__":
    unittest.main()

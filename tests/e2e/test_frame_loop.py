"""The player's window, clear colour, Escape, window close, and the start-up failure."""
import unittest

from harness import E2ETestCase, near

MAGENTA = (178, 0, 128)


class FrameLoopTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", "")

    def test_frames_are_magenta_and_escape_ends_the_run(self):
        run = self.session().sleep(0.5).shot("running").key("Escape").run()
        self.assertTrue(run.window_seen)
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)
        shot = run.shot("running")
        for x, y in [(400, 300), (0, 0), (799, 599), (10, 590)]:
            self.assertTrue(near(shot.pixel(x, y), MAGENTA), (x, y, shot.pixel(x, y)))
        self.assertEqual(run.stderr, "")

    def test_closing_the_window_ends_the_run(self):
        run = self.session().sleep(0.3).close_window().run()
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)

    def test_keys_that_are_not_bound_change_nothing(self):
        run = (self.session().sleep(0.3).key("0", "KP_1", "space", "F3", "shift+1", "F2")
               .sleep(0.3).shot("after").key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertTrue(near(run.shot("after").pixel(400, 300), MAGENTA))

    def test_f1_switches_to_a_window_and_back(self):
        run = self.session().sleep(0.3).key("F1").sleep(0.3).key("F1").sleep(0.3).shot("back").key("Escape").run()
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

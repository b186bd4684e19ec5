"""The playlist in the real player: the exact trace, Enter, digit keys, F2 and the end of the run."""
import os
import shutil
import unittest

from harness import DEMO_DIR, E2ETestCase, near

MAGENTA = (178, 0, 128)

GLOBALS = (
    "two scenes for the playlist test\n"
    "music on\n"
    "new scene data\\a.qms a\n"
    "  new scene   data\\B.QMS   b  \n"
    "scenes a b\n"
)
SCENE_A = "on load\nnew camera eye\nload hello,a\nend new\n"
# A model in the middle of scene b; digit key 1 (event 0) hides it.
SCENE_B = (
    "on load\n"
    "new stdmodel m\n"
    "load data\\model.md3\n"
    "position 0 0 -40\n"
    "end new\n"
    "on sync 0\n"
    "select m\n"
    "visable f\n"
)
# Read by F2: the same model, moved to the right.
RELOAD = "on load\nnew stdmodel m\nload data\\model.md3\nposition 15 0 -40\nend new\n"


class PlaylistTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", GLOBALS)
        self.write("data/a.qms", SCENE_A)
        self.write("data/b.qms", SCENE_B)
        shutil.copy(os.path.join(DEMO_DIR, "data", "model.md3"), os.path.join(self.workdir, "data"))

    def test_enter_moves_through_the_playlist_and_ends_the_run_after_the_last_scene(self):
        run = (self.session().sleep(0.5).shot("a").key("Return").sleep(0.5).shot("b")
               .key("Return").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out)
        self.assertEqual(run.trace_lines, [
            '"two scenes for the playlist test"',
            '"music on"',
            '"new scene data\\a.qms a"',
            "hello,a",
            '"new scene   data\\B.QMS   b"',
            "data\\model.md3",
            '"scenes a b"',
        ])
        self.assertTrue(near(run.shot("a").pixel(400, 300), MAGENTA))
        self.assertFalse(near(run.shot("b").pixel(400, 300), MAGENTA, 10))

    def test_digit_keys_run_scene_events_and_f2_reads_the_scratch_script(self):
        self.write("tmpscene.qms", RELOAD)
        run = (self.session().sleep(0.4).key("Return").sleep(0.4).shot("shown")
               .key("1").sleep(0.4).shot("hidden")
               .key("F2").sleep(0.4).shot("reloaded").key("Escape").run())
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(near(run.shot("shown").pixel(400, 300), MAGENTA, 10))
        self.assertTrue(near(run.shot("hidden").pixel(400, 300), MAGENTA))
        reloaded = run.shot("reloaded")
        self.assertTrue(near(reloaded.pixel(400, 300), MAGENTA))
        moved = [x for x in range(450, 700, 5) if not near(reloaded.pixel(x, 300), MAGENTA, 10)]
        self.assertTrue(moved, "the reloaded model stands right of the centre")

    def test_a_missing_globals_script_is_one_clear_error(self):
        os.remove(os.path.join(self.workdir, "data", "globals.qms"))
        run = self.session(use_x=True).run()
        self.assertEqual(run.status, 1)
        self.assertEqual(run.stderr.count("\n"), 1, run.stderr)
        self.assertIn("globals.qms", run.stderr)


if __name__ == "__main__":
    unittest.main()

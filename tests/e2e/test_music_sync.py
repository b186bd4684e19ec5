"""Music drives the real player: a Z01 flash with its scene event, a Z00 scene change, and the run
ending by itself at the last Z00 -- with SDL's dummy audio driver, as on a machine without a sound card."""
import os
import shutil
import subprocess
import unittest

from harness import DEMO_DIR, E2E_SONG, E2ETestCase, near

MAGENTA = (178, 0, 128)
ROW = 0.12  # seconds per row of the test song (speed 6, tempo 125)

GLOBALS = "music on\nmusic file data\\song.xm\nnew scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n"
# Scene a shows its model when event 1 comes (Z01); scene b is empty.
SCENE_A = (
    "on load\nnew stdmodel m\nload data\\model.md3\nposition 0 0 -40\nvisable f\nend new\n"
    "on sync 1\nselect m\nvisable t\n"
)
SCENE_B = "on load\n"


class MusicSyncTest(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.write("data/materials.qms", "")
        self.write("data/globals.qms", GLOBALS)
        self.write("data/a.qms", SCENE_A)
        self.write("data/b.qms", SCENE_B)
        shutil.copy(os.path.join(DEMO_DIR, "data", "model.md3"), os.path.join(self.workdir, "data"))
        # Z01 at row 16 (1.92 s), Z00 at row 40 (4.8 s) and the last Z00 at row 56 (6.72 s).
        subprocess.run([E2E_SONG, os.path.join(self.workdir, "data", "song.xm"), "1", "16:1", "40:0", "56:0"],
                       check=True)

    def test_the_song_flashes_shows_changes_scene_and_ends_the_run(self):
        run = (self.session()
               .sleep(1.0).burst("flash", 2.0)   # about 1.0 to 3.0 s: the flash at 1.92 s
               .sleep(0.4).shot("after_flash")   # about 3.4 s: scene a with its model shown
               .sleep(2.0).shot("scene_b")       # about 5.4 s: scene b
               .run(exit_timeout=20))
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out, "the run should end by itself at the last Z00")

        corners = [shot.pixel(20, 20) for shot in run.burst("flash")]
        self.assertGreater(len(corners), 5)
        # The flash adds white to the magenta frame: green, which the frame has none of,
        # shows it at any point of its 0.2 s, however few frames a loaded machine draws.
        self.assertTrue(any(c[1] > 60 for c in corners), "a white flash over the magenta frame: %s" % corners)
        self.assertTrue(near(corners[0], MAGENTA) or min(corners[0]) < 200)
        self.assertTrue(near(corners[-1], MAGENTA), corners[-1])

        self.assertFalse(near(run.shot("after_flash").pixel(400, 300), MAGENTA, 10), "event 1 shows the model")
        self.assertTrue(near(run.shot("scene_b").pixel(400, 300), MAGENTA))

    def test_without_a_sound_card_the_player_says_so_in_one_line(self):
        # SDL chooses the sound output itself; the sound libraries' own complaints about a
        # missing card are not passed on.
        run = self.session(env={"SDL_AUDIODRIVER": None}).sleep(1.0).key("Escape").run()
        self.assertEqual(run.status, 0, run.stderr)
        expected = ["quillmoor: no sound output; playing silently\n"]
        if os.path.exists("/dev/snd"):
            expected.append("")  # a sound card plays the song
        self.assertIn(run.stderr, expected)


if __name__ == "__main__":
    unittest.main()

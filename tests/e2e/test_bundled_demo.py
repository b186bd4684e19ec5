"""The bundled demo plays from start to end by itself in the real player under Xvfb, with SDL's dummy
audio driver: it ends with status 0 at the song's last scene change, having written the expected trace."""
import os
import time
import unittest

from harness import DEMO_DIR, E2ETestCase


def split_words(line):
    """Words of a script line: blanks, tabs and line ends separate, double quotes group."""
    words, word, quoted, after_separator = [], "", False, line[:1] in (" ", "\t")
    for c in line + "\0":
        if c == '"':
            quoted = not quoted
        elif c in " \t\r\n\0" and not quoted:
            if not after_separator:
                words.append(word)
                word, after_separator = "", True
        else:
            word += c if c != "\0" else ""
            after_separator = False
    return words


def expected_trace(data_dir):
    """The globals script's lines between double quotes, each scene script's "load" texts after its line."""
    lines = []
    with open(os.path.join(data_dir, "globals.qms"), encoding="latin-1") as f:
        for line in f:
            lines.append('"%s"' % line.strip(" \t\n").rstrip(" \n"))
            words = split_words(line)
            if words[:2] == ["new", "scene"]:
                path = os.path.join(data_dir, "..", words[2].replace("\\", "/"))
                depth = 0
                with open(path, encoding="latin-1") as scene:
                    for scene_line in scene:
                        w = split_words(scene_line)
                        if w[:1] == ["new"]:
                            depth += 1
                        elif w[:2] == ["end", "new"] and depth:
                            depth -= 1
                        elif w[:1] == ["load"] and depth:
                            lines.append(w[1 % len(w)])
    return lines


class BundledDemoTest(E2ETestCase):
    def test_the_demo_plays_to_its_end_by_itself(self):
        self.copy_tree(DEMO_DIR)
        started = time.time()
        run = self.session(drop_knot_trace=True).sleep(3).shot("intro").run(exit_timeout=150)
        elapsed = time.time() - started
        self.assertEqual(run.status, 0, run.stderr)
        self.assertFalse(run.timed_out, "the demo should end by itself at its last scene change")
        self.assertEqual(run.stderr, "")
        self.assertEqual(run.trace_lines, expected_trace(os.path.join(self.workdir, "data")))
        # The knot scene wrote its vectors: 8,040 vertices a frame, for many frames.
        self.assertGreater(run.knot_lines(), 8040 * 10)
        self.assertEqual(run.knot_lines() % 8040, 0)
        # The song's sixth Z00 comes at about 96 s.
        self.assertGreater(elapsed, 90)
        self.assertLess(elapsed, 140)
        centre = run.shot("intro").pixel(400, 300)
        self.assertNotEqual(centre, (178, 0, 128), "the intro draws over the clear colour")


if __name__ == "__main__":
    unittest.main()

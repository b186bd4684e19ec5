"""The Windows checker under Wine prints what the Linux checker prints, byte for byte, with the same exit
status: on the bundled demo, on a demo full of mistakes, and on bad command lines."""
import os
import shutil
import unittest

import windows_harness as wh

# Mistakes for the bundled demo's scripts: a mistyped keyword, a scene named in other case and with
# CRLF line ends, a missing scene, an unknown name in the playlist, an unknown object, a mistyped
# command, a missing picture and a damaged one.
GLOBALS = (
    "quillmoor: a demo full of mistakes\r\n"
    "musik on\r\n"
    "music on\r\n"
    "music file data\\Song.XM\r\n"
    "new scene data\\INTRO.qms intro\r\n"
    "new scene data\\floor.qms floor\r\n"
    "new scene data\\missing.qms gone\r\n"
    "scenes intro floor nowhere gone\r\n"
)
INTRO_TAIL = (
    "\non sync 9\n"
    "select boxx\n"
    "rotaton 1 2 3\n"
    "visable f\n"
    "new background broken\n"
    "load damaged\n"
    "end new\n"
)
MATERIALS_TAIL = (
    "damaged,data\\Damaged.PNG,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n"
    "lost,data\\lost.png,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,1,1,1,1;\n"
)


class WindowsCheckerTest(wh.WindowsTestCase):
    def assert_same_as_linux(self, *args):
        linux = wh.run_program([wh.LINUX_CHECKER] + list(args), cwd=self.workdir)
        windows = wh.run_program(wh.under_wine(wh.CHECKER_EXE, *args), cwd=self.workdir)
        self.assertEqual(windows[1].decode("latin-1"), linux[1].decode("latin-1"), args)
        self.assertEqual(windows[2].decode("latin-1"), linux[2].decode("latin-1"), args)
        self.assertEqual(windows[0], linux[0], args)
        return linux

    def test_the_bundled_demo(self):
        shutil.copytree(wh.DEMO_DIR, os.path.join(self.workdir, "demo"))
        for args in [["demo"], ["--werror", "demo"], ["--timeline", "demo"]]:
            status, out, err = self.assert_same_as_linux(*args)
            self.assertEqual(status, 0, err)
        self.assertIn(b"Z00", out)

    def test_a_demo_full_of_mistakes(self):
        self.copy_tree(wh.DEMO_DIR)
        data = os.path.join(self.workdir, "data")
        self.write("data/globals.qms", GLOBALS)
        with open(os.path.join(data, "intro.qms"), "ab") as f:
            f.write(INTRO_TAIL.encode())
        with open(os.path.join(data, "materials.qms"), "ab") as f:
            f.write(MATERIALS_TAIL.encode())
        with open(os.path.join(data, "backdrop.png"), "rb") as f:
            self.write("data/damaged.png", f.read()[:300])
        results = [self.assert_same_as_linux(*args) for args in [[], ["--werror"], ["--timeline", "."]]]
        status, out, err = results[0]
        self.assertEqual(status, 1)
        # The mistakes were found, and the files are named as they are on disk.
        for text in [b"data/globals.qms:2:", b"data/intro.qms:", b"data/damaged.png", b"data/lost.png",
                     b"data/missing.qms"]:
            self.assertIn(text, out + err)
        for text in [b"INTRO.qms:", b"Damaged.PNG"]:
            self.assertNotIn(text, out + err)

    def test_bad_command_lines(self):
        self.copy_tree(wh.DEMO_DIR)
        for args in [["--bogus"], ["one", "two"], ["nowhere"], ["--help"], ["data"]]:
            self.assert_same_as_linux(*args)


if __name__ == "__main__":
    unittest.main()

"""The Windows programs as files: 64-bit console programs that import SDL.dll and Windows' own DLLs only,
SDL.dll importing Windows' own only; and the tests' Wine turns a crash into a failing status."""
import os
import subprocess
import unittest

import windows_harness as wh

OBJDUMP = os.environ.get("QUILLMOOR_OBJDUMP", "x86_64-w64-mingw32-objdump")
# What each file may import: every DLL but SDL.dll ships with Windows.
IMPORTS = {
    "quillmoor.exe": {"GLU32.dll", "KERNEL32.dll", "msvcrt.dll", "OPENGL32.dll", "SDL.dll", "USER32.dll"},
    "quillmoor-check.exe": {"GLU32.dll", "KERNEL32.dll", "msvcrt.dll", "OPENGL32.dll", "SDL.dll"},
    "SDL.dll": {"ADVAPI32.dll", "GDI32.dll", "KERNEL32.dll", "msvcrt.dll", "USER32.dll", "WINMM.dll"},
}


def headers(path):
    return subprocess.run([OBJDUMP, "-p", path], capture_output=True, text=True, check=True).stdout


class WindowsProgramsTest(unittest.TestCase):
    def test_the_programs_import_only_sdl_and_windows_own_dlls(self):
        for name, allowed in IMPORTS.items():
            with self.subTest(name):
                dump = headers(os.path.join(wh.WINDOWS_BUILD, name))
                imported = {line.split(":", 1)[1].strip() for line in dump.splitlines() if "DLL Name:" in line}
                print(name, "imports", " ".join(sorted(imported)))
                self.assertEqual(imported, allowed)
                self.assertIn("file format pei-x86-64", dump)

    def test_the_programs_are_console_programs(self):
        # A console program's standard output is the console or the pipe it was started with; a
        # GUI program (-mwindows) would have none.
        for name in ["quillmoor.exe", "quillmoor-check.exe"]:
            with self.subTest(name):
                subsystem = [line for line in headers(os.path.join(wh.WINDOWS_BUILD, name)).splitlines()
                             if line.startswith("Subsystem")]
                self.assertEqual(len(subsystem), 1)
                self.assertIn("(Windows CUI)", subsystem[0])

    def test_a_crash_under_the_tests_wine_fails_and_prints_no_dump(self):
        status, out, _ = wh.run_program(wh.under_wine(os.environ["QUILLMOOR_CRASH_PROGRAM"]))
        self.assertNotEqual(status, 0)
        self.assertEqual(out.replace(b"\r\n", b"\n"), b"before the crash\n")


if __name__ == "__main__":
    unittest.main()

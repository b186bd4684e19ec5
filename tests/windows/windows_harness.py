"""windows_harness.py -- the Windows programs in end-to-end tests: under wine64 (tests/windows/wine.py) in the
build's Wine prefix, driven under Xvfb by the Linux tests' own harness, and compared with the Linux programs
of the native build."""
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

import harness  # noqa: E402  (the Linux end-to-end harness: sessions under Xvfb, screenshots)
import wine  # noqa: E402

WINDOWS_BUILD = os.environ.get("QUILLMOOR_WINDOWS_BUILD", os.path.join(HERE, "..", "..", "build-win"))
NATIVE_BUILD = os.environ.get("QUILLMOOR_NATIVE_BUILD", os.path.join(HERE, "..", "..", "build"))
PREFIX = os.environ.get("QUILLMOOR_WINE_PREFIX", os.path.join(WINDOWS_BUILD, "wine"))
PLAYER_EXE = os.path.join(WINDOWS_BUILD, "quillmoor.exe")
CHECKER_EXE = os.path.join(WINDOWS_BUILD, "quillmoor-check.exe")
LINUX_PLAYER = os.path.join(NATIVE_BUILD, "quillmoor")
LINUX_CHECKER = os.path.join(NATIVE_BUILD, "tools", "quillmoor-check")
LINUX_CAPTURE = os.path.join(NATIVE_BUILD, "tools", "quillmoor-capture")
DEMO_DIR = os.path.join(NATIVE_BUILD, "demo")
MAGENTA = (178, 0, 128)

# The torus knot's vectors: each drawn frame writes the knot's shape as it is at that moment
# (it swells, and its windings glide, with the time since a sync event), and how many frames a
# run draws depends on the machine. The other lines (the globals script's lines, the "load"
# texts) are written once, at the start, and must be the Linux player's bytes.
KNOT_PREFIXES = ("n2:", "b:")
KNOT_VERTICES = 8040


def under_wine(program, *args):
    """A command line that runs a Windows program in the tests' prefix."""
    return [sys.executable, os.path.join(HERE, "wine.py"), "run", PREFIX, program] + list(args)


def run_program(command, cwd=None, env=None):
    """Runs a command to its end: (status, stdout bytes, stderr bytes)."""
    full_env = dict(os.environ)
    full_env.update(env or {})
    done = subprocess.run(command, cwd=cwd, env=full_env, capture_output=True, timeout=300)
    return done.returncode, done.stdout, done.stderr


class WindowsTestCase(harness.E2ETestCase):
    """A scratch working directory per test; sessions of the Windows player under Wine."""

    def windows_session(self, knot_lines=False, program=PLAYER_EXE, **kwargs):
        return harness.PlayerSession(self.workdir, command=under_wine(program), drop_knot_trace=knot_lines,
                                     **kwargs)

    def linux_session(self, knot_lines=False, **kwargs):
        return harness.PlayerSession(self.workdir, command=[LINUX_PLAYER], drop_knot_trace=knot_lines, **kwargs)

"""harness.py -- end-to-end runs of the real programs: a scratch working directory with its own data,
the player under Xvfb with the dummy audio driver, real keys, screenshots, trace and exit status."""
import glob
import json
import os
import struct
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
BINARY_DIR = os.environ.get("QUILLMOOR_BINARY_DIR", os.path.join(HERE, "..", "..", "build"))
SOURCE_DIR = os.environ.get("QUILLMOOR_SOURCE_DIR", os.path.join(HERE, "..", ".."))
PLAYER = os.path.join(BINARY_DIR, "quillmoor")
E2E_SONG = os.path.join(BINARY_DIR, "tests", "quillmoor-e2e-song")
DEMO_DIR = os.path.join(BINARY_DIR, "demo")
TITLE = "Quillmoor DEMO 2"
# Without -noreset, SDL 1.2 reconnects after Xvfb has reset and fails to open the display.
XVFB_ARGS = ["xvfb-run", "-a", "-s", "-screen 0 800x600x24 -noreset"]


class Image:
    """A screenshot read from a binary PPM (P6) file."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        fields, pos = [], 0
        while len(fields) < 4:
            while data[pos:pos + 1].isspace():
                pos += 1
            if data[pos:pos + 1] == b"#":
                pos = data.index(b"\n", pos)
                continue
            end = pos
            while not data[end:end + 1].isspace():
                end += 1
            fields.append(data[pos:end])
            pos = end
        if fields[0] != b"P6":
            raise ValueError("not a binary PPM: %s" % path)
        self.width, self.height = int(fields[1]), int(fields[2])
        self.pixels = data[pos + 1:]

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


class XwdImage:
    """A screenshot in the X window dump format, as `xwd -root` writes it (ZPixmap, true colour)."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        fields = struct.unpack(">25I", data[:100])
        header_size, self.width, self.height = fields[0], fields[4], fields[5]
        self.byte_order, self.bits_per_pixel, self.bytes_per_line = fields[7], fields[11], fields[12]
        self.masks = fields[14:17]
        self.pixels = data[header_size + fields[19] * 12:]

    def pixel(self, x, y):
        size = self.bits_per_pixel // 8
        i = y * self.bytes_per_line + x * size
        value = int.from_bytes(self.pixels[i:i + size], "little" if self.byte_order == 0 else "big")
        channels = []
        for mask in self.masks:
            shift = (mask & -mask).bit_length() - 1
            channels.append((value & mask) >> shift)
        return tuple(channels)


def near(a, b, tolerance=3):
    return all(abs(p - q) <= tolerance for p, q in zip(a, b))


class Run:
    """The outcome of one run: exit status, trace lines, stderr, screenshots by name."""

    def __init__(self, workdir, result):
        self.workdir = workdir
        self.status = result["status"]
        self.titles = result.get("titles", [])
        self.timed_out = result["timed_out"]
        self.window_seen = result["window_seen"]
        with open(os.path.join(workdir, "stdout.txt"), "rb") as f:
            self.stdout = f.read()
        with open(os.path.join(workdir, "stderr.txt"), "rb") as f:
            self.stderr = f.read().decode("utf-8", "replace")

    def knot_lines(self):
        """The number of "n2:" lines a run with drop_knot_trace wrote."""
        with open(os.path.join(self.workdir, "knot_lines.txt")) as f:
            return int(f.read().strip() or 0)

    @property
    def trace_lines(self):
        return self.stdout.decode("latin-1").split("\n")[:-1]

    def shot(self, name):
        return Image(os.path.join(self.workdir, name + ".ppm"))

    def burst(self, name):
        """The screenshots of a burst, in the order they were taken."""
        return [XwdImage(p) for p in sorted(glob.glob(os.path.join(self.workdir, name + "_*.xwd")))]


def without_knot_trace(command):
    """The command with the torus knot's lines (two per vertex per frame, about 1 MB a frame) counted into
    knot_lines.txt and left out of standard output; the rest of the trace and the exit status kept."""
    return ["bash", "-c", 'set -u; "$@" | tee >(grep -c "^n2:" > knot_lines.txt) '
            '| grep -v -E "^(n2|b):"; status=${PIPESTATUS[0]}; wait; exit $status', "bash"] + list(command)


class PlayerSession:
    """Builds a plan of steps and runs the player once under Xvfb. `env` adds variables to the
    program's environment; a value of None removes one (SDL_AUDIODRIVER, say, which is "dummy"
    unless a test removes it)."""

    def __init__(self, workdir, command=None, env=None, use_x=True, drop_knot_trace=False):
        self.workdir = workdir
        self.command = command or [PLAYER]
        if drop_knot_trace:
            self.command = without_knot_trace(self.command)
        self.env = {"SDL_AUDIODRIVER": "dummy"}
        self.env.update(env or {})
        self.use_x = use_x
        self.steps = [{"do": "wait_window"}] if use_x else []

    def sleep(self, seconds):
        self.steps.append({"do": "sleep", "seconds": seconds})
        return self

    def wait_trace_lines(self, lines, timeout=30):
        self.steps.append({"do": "wait_trace_lines", "lines": lines, "timeout": timeout})
        return self

    def key(self, *keys):
        self.steps.append({"do": "key", "keys": list(keys)})
        return self

    def wait_stderr(self, text, count=1, timeout=30):
        self.steps.append({"do": "wait_stderr", "text": text, "count": count, "timeout": timeout})
        return self

    def write(self, relative, text, delete_first=False, gap=0):
        self.steps.append({"do": "write", "file": os.path.join(self.workdir, relative), "text": text,
                           "delete_first": delete_first, "gap": gap})
        return self

    def wait_title(self, text, timeout=30):
        """Until the window's title holds the text."""
        self.steps.append({"do": "wait_title", "text": text, "timeout": timeout})
        return self

    def wait_title_change(self, timeout=30):
        """Until the window's title differs from the one noted last (a seek takes longer in slow builds)."""
        self.steps.append({"do": "wait_title_change", "timeout": timeout})
        return self

    def title(self):
        """Notes the window's title (Run.titles)."""
        self.steps.append({"do": "title"})
        return self

    def click(self, x, y, through=()):
        """The left button pressed at (x, y) of the window and released there, or after moving through the
        given points (a drag)."""
        self.steps.append({"do": "click", "x": x, "y": y, "through": [list(p) for p in through]})
        return self

    def close_window(self):
        self.steps.append({"do": "close_window"})
        return self

    def shot(self, name):
        self.steps.append({"do": "shot", "file": os.path.join(self.workdir, name + ".ppm")})
        return self

    def burst(self, name, seconds):
        self.steps.append({"do": "burst", "prefix": os.path.join(self.workdir, name), "seconds": seconds})
        return self

    def run(self, exit_timeout=30):
        plan = {
            "command": self.command, "cwd": self.workdir, "title": TITLE, "env": self.env,
            "stdout": os.path.join(self.workdir, "stdout.txt"),
            "stderr": os.path.join(self.workdir, "stderr.txt"),
            "result": os.path.join(self.workdir, "result.json"),
            "steps": self.steps, "exit_timeout": exit_timeout,
        }
        plan_path = os.path.join(self.workdir, "plan.json")
        with open(plan_path, "w") as f:
            json.dump(plan, f)
        session = [sys.executable, os.path.join(HERE, "x_session.py"), plan_path]
        if self.use_x:
            session = XVFB_ARGS + session
        env = dict(os.environ)
        if not self.use_x:
            env.pop("DISPLAY", None)
        subprocess.run(session, env=env, check=True, timeout=exit_timeout + 120)
        with open(plan["result"]) as f:
            return Run(self.workdir, json.load(f))


class E2ETestCase(unittest.TestCase):
    """A test case with a scratch working directory per test."""

    def setUp(self):
        self.workdir = tempfile.mkdtemp(prefix="quillmoor-e2e-")

    def tearDown(self):
        if os.environ.get("QUILLMOOR_KEEP_E2E"):
            print("kept", self.workdir)
        else:
            shutil.rmtree(self.workdir, ignore_errors=True)

    def write(self, relative, text):
        path = os.path.join(self.workdir, relative)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.encode("latin-1") if isinstance(text, str) else text)
        return path

    def copy_tree(self, source):
        shutil.copytree(source, self.workdir, dirs_exist_ok=True)

    def session(self, **kwargs):
        return PlayerSession(self.workdir, **kwargs)

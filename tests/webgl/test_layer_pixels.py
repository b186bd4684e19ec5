"""The webgl layer against native OpenGL 1.1: the same scenes drawn through both, pixels compared.

quillmoor-capture draws with Mesa's OpenGL 1.1 fixed function; quillmoor-capture-es2 is the same
tool built on the webgl layer (platform/webgl) over Mesa's OpenGL ES 2. Both render one scene
per object kind (scenes/, with a few pictures made here) and frames of the bundled demo, and
each pair of frames must agree: at most MAX_SHARE of the pixels may differ by more than
LEVELS in any channel.

Why these numbers: on llvmpipe the two paths run the same arithmetic in a different order
(the layer's shaders against Mesa's own fixed-function programs). Measured over every frame
here, no pixel differs by more than 4 levels and none by more than 8; MAX_SHARE leaves room
for a few edge pixels that another CPU's code path may move from one triangle to the next.
Faults in the layer change more: quads cut on their other diagonal move 0.02 % of the text
frame (nearest-filtered glyph edges), a quad strip cut so 0.2 %, GL_CLAMP without its border
0.5 %, a colour not carried over to the next vertices 1 %, a lost blend state 3 % and more.
"""

import itertools
import operator
import os
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

LEVELS = 8
MAX_SHARE = 0.0001  # 0.01 % of the pixels: 48 of 800 x 600

HERE = os.path.dirname(os.path.abspath(__file__))
BINARY_DIR = os.environ.get("QUILLMOOR_BINARY_DIR", os.path.join(HERE, "..", "..", "build"))
NATIVE = os.path.join(BINARY_DIR, "tools", "quillmoor-capture")
LAYER = os.path.join(BINARY_DIR, "tools", "quillmoor-capture-es2")
DEMO = os.path.join(BINARY_DIR, "demo")

KINDS = ["camera", "cube", "invcube", "point", "square", "background", "foreground", "skybox", "fog", "text",
         "chessfloor", "torusknot", "vball", "stdmodel", "symbols"]
UNLIT_KINDS = ["chessfloor", "torusknot", "stdmodel"]
SCENE_SECONDS = 2  # each scene shows this long; Return moves on
FPS = 5


def read_png(path):
    """RGB rows of an 8-bit RGB PNG as written by quillmoor-capture (every row filtered with Sub)."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat = 8, []
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert (depth, colour) == (8, 2), "8-bit RGB expected"
        elif kind == b"IDAT":
            idat.append(body)
    raw = zlib.decompress(b"".join(idat))
    stride = width * 3
    pixels = bytearray(stride * height)
    mask = (255).__and__
    for y in range(height):
        row = raw[y * (stride + 1):(y + 1) * (stride + 1)]
        assert row[0] == 1, "Sub filter expected"
        for channel in range(3):  # Sub: each byte adds the one three before it
            pixels[y * stride + channel:(y + 1) * stride:3] = bytes(map(mask, itertools.accumulate(row[1 + channel::3])))
    return width, height, pixels


def compare(path_a, path_b):
    """(largest per-channel difference, share of pixels differing by more than LEVELS)."""
    width, height, a = read_png(path_a)
    _, _, b = read_png(path_b)
    diff = bytes(map(abs, map(operator.sub, a, b)))
    per_pixel = map(max, diff[0::3], diff[1::3], diff[2::3])
    over = sum(1 for d in per_pixel if d > LEVELS)
    return max(diff), over / (width * height)


def bmp(path, width, height, colour_at):
    """A 24-bit BMP, rows bottom first."""
    row_bytes = (width * 3 + 3) & ~3
    rows = bytearray()
    for y in range(height):
        row = bytearray()
        for x in range(width):
            r, g, b = colour_at(x, y)
            row += bytes((b, g, r))
        rows += row + bytes(row_bytes - len(row))
    header = struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 54 + len(rows), 0, 0, 54, 40, width, height, 1, 24, 0,
                         len(rows), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + rows)


def make_scene_folder(folder, globals_name):
    """The scenes/ scripts over the bundled demo's data, plus three pictures made here."""
    data = os.path.join(folder, "data")
    os.makedirs(data)
    for name in os.listdir(os.path.join(DEMO, "data")):
        if not name.endswith(".qms"):
            os.symlink(os.path.join(DEMO, "data", name), os.path.join(data, name))
    scenes = os.path.join(HERE, "scenes")
    for name in os.listdir(scenes):
        shutil.copy(os.path.join(scenes, name), data)
    shutil.copy(os.path.join(scenes, globals_name), os.path.join(data, "globals.qms"))
    with open(os.path.join(data, "materials.qms"), "w") as out:
        for name in ("materials.qms", "extra_materials.qms"):
            with open(os.path.join(DEMO if name == "materials.qms" else HERE, "data" if name == "materials.qms"
                                   else "scenes", name)) as f:
                out.write(f.read())
    # GL_CLAMP shows at the edge of an opaque picture seen close up: 16 texels, each side of
    # its rim another colour, so that wrapping around would show too.
    rim = {0: (250, 220, 40), 15: (40, 220, 250)}
    bmp(os.path.join(data, "edge.bmp"), 16, 16,
        lambda x, y: rim.get(x) or {0: (255, 255, 255), 15: (60, 200, 60)}.get(y) or
        ((40, 90, 200) if (x + y) % 2 else (200, 60, 60)))
    # Sides that are no powers of two: GLU scales 100 x 60 up to 128 x 64, 90 x 45 down to 64 x 32.
    bmp(os.path.join(data, "wide.bmp"), 100, 60, lambda x, y: ((x * 5) % 256, (y * 9) % 256, (x * y) % 256))
    bmp(os.path.join(data, "narrow.bmp"), 90, 45,
        lambda x, y: (255, 255, 255) if (x // 3 + y // 3) % 2 else ((x * 7) % 256, 30, (y * 11) % 256))


def capture(tool, folder, out, scene_count):
    """Frames 1.4 s into each scene; event 0 of each scene is sent 0.2 s after it starts."""
    keys = []
    for k in range(scene_count):
        if k:
            keys.append("%g:Return" % (k * SCENE_SECONDS))
        keys.append("%g:1" % (k * SCENE_SECONDS + 0.2))
    subprocess.run([tool, "--fps", str(FPS), "--seconds", str(scene_count * SCENE_SECONDS), "--from", "1.4",
                    "--every", str(FPS * SCENE_SECONDS), "--keys", ",".join(keys), "--out", out],
                   cwd=folder, check=True, stdout=subprocess.DEVNULL, env=capture_environment())
    return sorted(name for name in os.listdir(out) if name.endswith(".png"))


def capture_environment():
    env = dict(os.environ, SDL_AUDIODRIVER="dummy", LIBGL_ALWAYS_SOFTWARE="1", GALLIUM_DRIVER="llvmpipe")
    return env


class LayerPixels(unittest.TestCase):
    def setUp(self):
        self.temp = tempfile.mkdtemp(prefix="quillmoor-webgl-")
        self.rows = []

    def tearDown(self):
        shutil.rmtree(self.temp, ignore_errors=True)

    def compare_runs(self, labels, native, layer, native_frames):
        for label, frame in zip(labels, native_frames):
            largest, share = compare(os.path.join(native, frame), os.path.join(layer, frame))
            print("%-24s largest %3d  over %d levels %.4f %%" % (label, largest, LEVELS, 100 * share))
            self.rows.append((label, share))

    def run_scene_set(self, name, globals_name, kinds):
        folder = os.path.join(self.temp, name)
        make_scene_folder(folder, globals_name)
        native, layer = os.path.join(self.temp, name + "-gl"), os.path.join(self.temp, name + "-es2")
        native_frames = capture(NATIVE, folder, native, len(kinds))
        layer_frames = capture(LAYER, folder, layer, len(kinds))
        self.assertEqual(native_frames, layer_frames)
        self.assertEqual(len(native_frames), len(kinds))
        self.compare_runs([name + " " + k for k in kinds], native, layer, native_frames)

    def test_each_kind_and_the_demo_look_the_same_through_the_layer(self):
        self.run_scene_set("kind", "globals.qms", KINDS)
        self.run_scene_set("unlit", "unlit_globals.qms", UNLIT_KINDS)
        # The bundled demo, every 8 seconds: the kinds mixed, with the state each leaves to the next.
        native, layer = os.path.join(self.temp, "demo-gl"), os.path.join(self.temp, "demo-es2")
        for tool, out in ((NATIVE, native), (LAYER, layer)):
            subprocess.run([tool, "--fps", str(FPS), "--every", str(FPS * 8), "--out", out],
                           cwd=DEMO, check=True, stdout=subprocess.DEVNULL, env=capture_environment())
        frames = sorted(name for name in os.listdir(native) if name.endswith(".png"))
        self.assertGreater(len(frames), 10)
        self.compare_runs(["demo " + f[6:11] for f in frames], native, layer, frames)
        failing = [(label, share) for label, share in self.rows if share > MAX_SHARE]
        self.assertEqual(failing, [], "frames whose pixels differ beyond the tolerance")


if __name__ == "__main__":
    unittest.main()

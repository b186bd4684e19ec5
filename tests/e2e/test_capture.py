"""quillmoor-capture on the bundled demo: exact and repeatable frames and sound, frame selection and
fast-forward, sync effects and keys as the frames show them, sizes and supersampling, video through ffmpeg,
ranges in several processes, options and failures. No X server needed."""
import itertools
import os
import pty
import shutil
import struct
import subprocess
import tempfile
import unittest
import zlib

from harness import BINARY_DIR, DEMO_DIR, E2ETestCase

CAPTURE = os.path.join(BINARY_DIR, "tools", "quillmoor-capture")
COMPOSE = os.path.join(BINARY_DIR, "tools", "quillmoor-compose")
SYNC_TIMES = os.path.join(BINARY_DIR, "tests", "quillmoor-sync-times")
RATE = 44100
WHITE = 245  # every channel of a frame under a flash at full strength is at least this
SAME = 8  # per-channel tolerance for "one flat colour"


def run_capture(workdir, *args, env=None, timeout=600):
    full_env = dict(os.environ)
    full_env.update(env or {})
    return subprocess.run([CAPTURE] + [str(a) for a in args], cwd=workdir, env=full_env, capture_output=True,
                          timeout=timeout)


def audio_frame_at(frame, fps):
    """Song frames heard by the start of frame `frame` (rounded half away from zero, as the driver does)."""
    return int(RATE * frame / fps + 0.5)


def frame_of(sample, fps):
    """The frame in which the player acts on a sync mark stamped at `sample`."""
    n = int(sample * fps / RATE)
    while audio_frame_at(n, fps) <= sample:
        n += 1
    return n


def sync_marks(song):
    out = subprocess.run([SYNC_TIMES, song], check=True, capture_output=True, text=True).stdout
    return [tuple(int(v) for v in line.split()) for line in out.splitlines()]


class Png:
    """An 8-bit RGB PNG, decoded with the standard library."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        assert data[:8] == b"\x89PNG\r\n\x1a\n", path
        pos, idat = 8, b""
        while pos < len(data):
            length, kind = struct.unpack(">I4s", data[pos:pos + 8])
            body = data[pos + 8:pos + 8 + length]
            (crc,) = struct.unpack(">I", data[pos + 8 + length:pos + 12 + length])
            assert crc == zlib.crc32(kind + body), "bad CRC in %s" % path
            if kind == b"IHDR":
                self.width, self.height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
                assert (depth, colour, interlace) == (8, 2, 0), path
            elif kind == b"IDAT":
                idat += body
            pos += 12 + length
        raw = zlib.decompress(idat)
        stride = self.width * 3
        rows, previous = [], bytearray(stride)
        for y in range(self.height):
            kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
            if kind == 1:  # Sub, as the tool writes every row: each byte adds the one three before it
                for c in range(3):
                    line[c::3] = bytes(map((255).__and__, itertools.accumulate(line[c::3])))
                kind = 0
            for i in range(stride if kind else 0):
                a = line[i - 3] if i >= 3 else 0
                b = previous[i]
                c = previous[i - 3] if i >= 3 else 0
                if kind == 1:
                    line[i] = (line[i] + a) & 255
                elif kind == 2:
                    line[i] = (line[i] + b) & 255
                elif kind == 3:
                    line[i] = (line[i] + (a + b) // 2) & 255
                elif kind == 4:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
            rows.append(bytes(line))
            previous = line
        self.rows = rows

    def pixel(self, x, y):
        return tuple(self.rows[y][3 * x:3 * x + 3])

    def samples(self, step=20):
        """A grid of pixels over the whole frame."""
        return [self.pixel(x, y) for y in range(step // 2, self.height, step) for x in range(step // 2, self.width, step)]

    def flat(self):
        """One colour everywhere (within SAME per channel)."""
        grid = self.samples()
        return all(max(p[c] for p in grid) - min(p[c] for p in grid) <= SAME for c in range(3))

    def white(self):
        return all(min(p) >= WHITE for p in self.samples())

    def brightness(self):
        grid = self.samples()
        return sum(sum(p) for p in grid) / (3.0 * len(grid))

    def halved(self):
        """Each 2x2 box as the mean of its pixels, rounded to nearest: the picture at half the size."""
        rows = []
        for y in range(0, self.height - 1, 2):
            a, b, line = self.rows[y], self.rows[y + 1], bytearray(self.width // 2 * 3)
            for c in range(3):
                line[c::3] = bytes(map(lambda p, q, r, s: (p + q + r + s + 2) >> 2, a[c::6], a[c + 3::6],
                                       b[c::6], b[c + 3::6]))
            rows.append(bytes(line))
        return rows

    def block_means(self, rows=None, n=8):
        """The mean of each channel over each n x n block: the picture as seen from a little further away."""
        rows = rows or self.rows
        blocks = []
        for y in range(0, len(rows) - n + 1, n):
            band = [rows[y + i] for i in range(n)]
            for x in range(0, len(rows[0]) // 3 - n + 1, n):
                blocks.append(tuple(sum(sum(r[3 * x + c:3 * (x + n):3]) for r in band) / (n * n) for c in range(3)))
        return blocks

    def differs_from(self, other, tolerance=40):
        """More than a tenth of the grid differs clearly."""
        pairs = zip(self.samples(), other.samples())
        changed = sum(1 for p, q in pairs if max(abs(a - b) for a, b in zip(p, q)) > tolerance)
        return changed > len(self.samples()) // 10


class Wav:
    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        riff, size, wave = struct.unpack("<4sI4s", data[:12])
        assert (riff, wave) == (b"RIFF", b"WAVE") and size == len(data) - 8, path
        fmt = struct.unpack("<4sIHHIIHH", data[12:36])
        assert fmt == (b"fmt ", 16, 1, 2, RATE, RATE * 4, 4, 16), fmt
        kind, length = struct.unpack("<4sI", data[36:44])
        assert kind == b"data" and length == len(data) - 44, path
        self.pcm = data[44:]
        self.frames = length // 4


def frames_in(folder):
    return sorted(int(name[6:-4]) for name in os.listdir(folder) if name.startswith("frame_"))


class DemoCaptureCase(E2ETestCase):
    def setUp(self):
        super().setUp()
        self.copy_tree(DEMO_DIR)

    def capture(self, *args, **kwargs):
        return run_capture(self.workdir, *args, **kwargs)

    def path(self, *parts):
        return os.path.join(self.workdir, *parts)


def read(path):
    with open(path, "rb") as f:
        return f.read()


class TimelineTest(unittest.TestCase):
    """One stretch of the demo at 10 fps, from before the floor's crash flash to just after the knot gives
    way to the ball: captured with --from, which fast-forwards to it, and rendered from the start."""

    FPS = 10
    FROM, TO = 23.5, 48.5

    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.mkdtemp(prefix="quillmoor-e2e-")
        shutil.copytree(DEMO_DIR, cls.workdir, dirs_exist_ok=True)
        cls.runs = []
        # The third starts in the knot's scene, whose vectors are traced in every frame drawn.
        for name, start in (("first", cls.FROM), ("through", 0), ("knot", 40)):
            result = run_capture(cls.workdir, "--fps", cls.FPS, "--from", start, "--to", cls.TO, "--out", name,
                                 "--trace", name + ".trace")
            assert result.returncode == 0, result.stderr
            cls.runs.append(os.path.join(cls.workdir, name))
        cls.marks = sync_marks(os.path.join(cls.workdir, "data", "song.xm"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.workdir, ignore_errors=True)

    def frame(self, n):
        return Png(os.path.join(self.runs[0], "frame_%05d.png" % n))

    def marked_frame(self, value, alone, after=FROM):
        """The frame of the first mark `value` after `after` s that has (alone=True) or shares (False) its row
        with another mark."""
        for sample, v in self.marks:
            if v == value and sample > after * RATE:
                shared = sum(1 for s, _ in self.marks if s == sample) > 1
                if shared != alone:
                    return frame_of(sample, self.FPS)
        self.fail("no mark %d after %.1f s" % (value, after))

    def test_from_gives_the_frames_sound_and_trace_of_rendering_from_the_start(self):
        first, through, knot = self.runs
        self.assertEqual(frames_in(through), list(range(485)))
        for fast, start in ((first, 235), (knot, 400)):
            names = sorted(os.listdir(fast))
            self.assertEqual(names, ["audio.wav"] + ["frame_%05d.png" % n for n in range(start, 485)])
            for name in names[1:]:
                self.assertTrue(read(os.path.join(fast, name)) == read(os.path.join(through, name)), name)
            sound = Wav(os.path.join(through, "audio.wav")).pcm[4 * audio_frame_at(start, self.FPS):]
            self.assertTrue(Wav(os.path.join(fast, "audio.wav")).pcm == sound, fast)
        # The fast-forwarded frames write no trace: the start-up lines, then the frames from 40 s on as
        # rendering from the start writes them; the knot's vectors of the frames before are left out.
        short, full = read(knot + ".trace"), read(through + ".trace")
        start = len(os.path.commonprefix([short, full]))
        self.assertGreater(len(short) - start, 1000000)
        self.assertGreater(len(full) - len(short), 1000000)
        self.assertTrue(full.endswith(short[start:]))

    def test_the_wav_holds_the_song_from_the_first_frame_written_to_the_end(self):
        compose_dir = tempfile.mkdtemp(prefix="quillmoor-e2e-")
        try:
            subprocess.run([COMPOSE, os.path.join(compose_dir, "song.xm"), "--wav",
                            os.path.join(compose_dir, "song.wav")], check=True, capture_output=True)
            song = Wav(os.path.join(compose_dir, "song.wav"))
        finally:
            shutil.rmtree(compose_dir, ignore_errors=True)
        wav = Wav(os.path.join(self.runs[0], "audio.wav"))
        first, end = audio_frame_at(235, self.FPS), audio_frame_at(485, self.FPS)
        self.assertEqual(wav.frames, end - first)
        self.assertTrue(wav.pcm == song.pcm[4 * first:4 * end], "the song as the player renders it")

    def test_a_flash_whitens_one_frame_and_fades_within_a_fifth_of_a_second(self):
        n = self.marked_frame(27, alone=True)  # the floor's crash: a flash without a scene change
        self.assertTrue(self.frame(n).white())
        self.assertFalse(self.frame(n - 1).white())
        self.assertGreater(self.frame(n + 1).brightness(), self.frame(n + 3).brightness() + 20)
        self.assertFalse(self.frame(n + 3).white())

    def test_a_scene_change_with_a_flash_shows_a_white_frame_between_the_scenes(self):
        n = self.marked_frame(0, alone=False, after=30)  # floor to knot, with Z01 on the same row
        self.assertTrue(self.frame(n).white())
        before, after = self.frame(n - 1), self.frame(n + 3)
        self.assertFalse(before.white())
        self.assertFalse(after.white())
        self.assertTrue(after.differs_from(before), "the knot replaces the floor")

    def test_a_scene_change_frame_shows_only_the_clear_colour(self):
        n = self.marked_frame(0, alone=True, after=40)  # knot to ball
        self.assertTrue(self.frame(n).flat())
        self.assertFalse(self.frame(n).white())
        before, after = self.frame(n - 2), self.frame(n + 2)
        self.assertFalse(before.flat())
        self.assertFalse(after.flat())
        self.assertTrue(after.differs_from(before), "the ball replaces the knot")


class CaptureTest(DemoCaptureCase):
    def test_the_wav_has_the_frames_of_the_captured_time_exactly(self):
        # One frame: its sound comes before the frame itself (the run's last stretch is rendered first).
        for fps, frames in [(24, 7), (60, 3), (29.97, 10), (10, 1)]:
            out = "out_%s" % fps
            result = self.capture("--fps", fps, "--frames", frames, "--out", out, "--trace", "trace.txt")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(Wav(self.path(out, "audio.wav")).frames, audio_frame_at(frames, fps), fps)
            self.assertEqual(frames_in(self.path(out)), list(range(frames)))

    def test_from_to_and_every_choose_the_files(self):
        result = self.capture("--fps", 10, "--from", 0.5, "--to", 1.95, "--every", 3, "--out", "pick",
                              "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(frames_in(self.path("pick")), [5, 8, 11, 14, 17])
        # The sound runs from the first frame written to the end of the capture (frame 19 included).
        self.assertEqual(Wav(self.path("pick", "audio.wav")).frames, audio_frame_at(20, 10) - audio_frame_at(5, 10))
        self.assertIn("quillmoor-capture: 20 frames", result.stderr.decode())

    def test_return_changes_the_scene_at_its_time_and_shortens_the_playlist(self):
        # Key at 5 s: frame 25 at 5 fps is the change frame. The playlist then runs out one Z00 early:
        # at the fifth mark instead of the sixth.
        result = self.capture("--fps", 5, "--keys", "5:Return", "--from", 4.6, "--to", 5.4, "--out", "key",
                              "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(frames_in(self.path("key")), [23, 24, 25, 26])
        self.assertTrue(Png(self.path("key", "frame_00025.png")).flat())

        changes = [s for s, v in sync_marks(self.path("data", "song.xm")) if v == 0]
        result = self.capture("--fps", 5, "--keys", "5:Return", "--dry-run", "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        last = frame_of(changes[4], 5)
        self.assertIn("quillmoor-capture: %d frames" % (last + 1), result.stderr.decode())

    def test_escape_ends_the_capture_after_the_frame_it_is_seen_in(self):
        result = self.capture("--fps", 20, "--keys", "1:Escape", "--out", "esc", "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(frames_in(self.path("esc")), list(range(21)))
        self.assertEqual(Wav(self.path("esc", "audio.wav")).frames, audio_frame_at(21, 20))

    def test_the_trace_is_written_only_when_asked_to_a_file_or_standard_output(self):
        result = self.capture("--frames", 2, "--dry-run")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout, b"")
        to_stdout = self.capture("--frames", 2, "--dry-run", "--trace", "-").stdout
        self.assertTrue(to_stdout.startswith(b'"quillmoor: the bundled demo"\n'), to_stdout[:80])
        result = self.capture("--frames", 2, "--dry-run", "--trace", "trace.txt")
        self.assertEqual(result.stdout, b"")
        with open(self.path("trace.txt"), "rb") as f:
            self.assertEqual(f.read(), to_stdout)

    def test_off_a_terminal_stderr_has_only_the_summary_line(self):
        result = self.capture("--frames", 3, "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        stderr = result.stderr.decode()
        self.assertEqual(stderr.count("\n"), 1, stderr)
        self.assertNotIn("\r", stderr)
        self.assertRegex(stderr, r"^quillmoor-capture: 3 frames \(0\.05 s of demo\) in [0-9.]+ s: [0-9.]+ fps, "
                                 r"[0-9.]+x real time; wrote 3 frames and audio\.wav to capture\n$")
        self.assertEqual(frames_in(self.path("capture")), [0, 1, 2])

    def test_on_a_terminal_stderr_shows_a_progress_bar(self):
        master, slave = pty.openpty()
        process = subprocess.Popen([CAPTURE, "--fps", "10", "--seconds", "3", "--dry-run", "--trace", "trace.txt"],
                                   cwd=self.workdir, stderr=slave, stdout=subprocess.DEVNULL)
        os.close(slave)
        shown = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:  # the terminal closes with the process
                break
            if not chunk:
                break
            shown += chunk
        os.close(master)
        self.assertEqual(process.wait(timeout=120), 0)
        text = shown.decode()
        self.assertIn("\r\x1b[K", text)
        self.assertRegex(text, r"frame \d+/30 \[[#.]+\] +\d+%  [0-9.]+ s  [0-9.-]+ fps  ETA \d+:\d\d")
        self.assertIn("quillmoor-capture: 30 frames", text)


class SizeTest(unittest.TestCase):
    """Frames of the floor (20 s) and the ball with its wire (50 s) at 800x600, at 1600x1200 and supersampled;
    the white frame of the floor-to-knot change at 1920x1080 and 640x640."""

    FPS = 10
    SIZES = {"small": [], "large": ["--size", "1600x1200"], "smooth": ["--supersample", "2"]}

    @classmethod
    def setUpClass(cls):
        cls.workdir = tempfile.mkdtemp(prefix="quillmoor-e2e-")
        shutil.copytree(DEMO_DIR, cls.workdir, dirs_exist_ok=True)
        for name, size in cls.SIZES.items():
            result = run_capture(cls.workdir, "--fps", cls.FPS, "--from", 20, "--to", 50.1, "--every", 300,
                                 "--out", name, *size)
            assert result.returncode == 0, result.stderr
        marks = sync_marks(os.path.join(cls.workdir, "data", "song.xm"))
        # The floor-to-knot change, which comes with a flash: a white frame.
        change = next(s for s, v in marks if v == 0 and s > 30 * RATE and sum(1 for t, _ in marks if t == s) > 1)
        cls.white = frame_of(change, cls.FPS)
        for size in ("1920x1080", "640x640"):
            result = run_capture(cls.workdir, "--fps", cls.FPS, "--from", cls.white / cls.FPS, "--to",
                                 (cls.white + 1) / cls.FPS, "--size", size, "--out", size)
            assert result.returncode == 0, result.stderr

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.workdir, ignore_errors=True)

    def frame(self, name, n):
        return Png(os.path.join(self.workdir, name, "frame_%05d.png" % n))

    def test_a_frame_twice_the_size_scaled_down_is_the_frame_and_the_supersampled_one(self):
        for n in (200, 500):
            small, large, smooth = (self.frame(name, n) for name in self.SIZES)
            self.assertEqual((large.width, large.height, smooth.width, smooth.height), (1600, 1200, 800, 600))
            halved = large.halved()
            self.assertTrue(smooth.rows == halved, "--supersample 2 is the large frame's 2x2 means, frame %d" % n)
            # Edges fall on other pixels at another size, but everything keeps its place and proportion: in
            # 8x8 blocks the two agree within 24 levels (measured: all but 1 block of 7500 at frame 500, the
            # ball's wire among them; with the wire left 2 pixels wide at 1600x1200, 395 blocks differ more).
            off = sum(1 for a, b in zip(small.block_means(), small.block_means(halved))
                      if max(abs(p - q) for p, q in zip(a, b)) > 24)
            self.assertLessEqual(off, 15, "frame %d" % n)

    def test_a_wider_or_taller_frame_has_the_picture_whole_between_black_bars(self):
        wide = self.frame("1920x1080", self.white)
        self.assertEqual((wide.width, wide.height), (1920, 1080))
        for y in range(0, 1080, 7):
            row = wide.rows[y]
            self.assertEqual(row[:240 * 3], bytes(240 * 3), "left bar, row %d" % y)
            self.assertEqual(row[1680 * 3:], bytes(240 * 3), "right bar, row %d" % y)
            self.assertGreaterEqual(min(row[240 * 3:1680 * 3]), WHITE, "picture, row %d" % y)
        tall = self.frame("640x640", self.white)
        for y in range(640):
            if 80 <= y < 560:
                self.assertGreaterEqual(min(tall.rows[y]), WHITE, "picture, row %d" % y)
            else:
                self.assertEqual(tall.rows[y], bytes(640 * 3), "bar, row %d" % y)


@unittest.skipUnless(shutil.which("ffmpeg") and shutil.which("ffprobe"), "ffmpeg is not installed")
class VideoTest(DemoCaptureCase):
    def probe(self, path):
        out = subprocess.run(["ffprobe", "-v", "error", "-show_entries",
                              "format=duration:stream=codec_type,width,height,nb_frames,sample_rate,channels",
                              "-of", "compact", "file:" + path], check=True, capture_output=True, text=True).stdout
        streams = {}
        for line in out.splitlines():
            fields = dict(item.split("=", 1) for item in line.split("|")[1:])
            streams[fields.get("codec_type", line.split("|")[0])] = fields
        return streams

    def test_video_has_the_frames_and_the_sound_of_the_capture(self):
        # A ':' in the name, which ffmpeg would take for a protocol's.
        result = self.capture("--fps", 30, "--seconds", 2, "--video", "demo:1.mp4", "--out", "frames",
                              "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        streams = self.probe(self.path("demo:1.mp4"))
        self.assertAlmostEqual(float(streams["format"]["duration"]), 2.0, delta=0.1)
        self.assertEqual((streams["video"]["width"], streams["video"]["height"]), ("800", "600"))
        self.assertEqual(streams["video"]["nb_frames"], "60")
        self.assertEqual((streams["audio"]["sample_rate"], streams["audio"]["channels"]), ("44100", "2"))
        self.assertEqual(frames_in(self.path("frames")), list(range(60)))
        self.assertIn("demo:1.mp4", result.stderr.decode())

    def test_encoding_beside_the_renderer_gives_the_files_of_encoding_after_each_frame(self):
        # The ball's scene supersampled: each frame scaled down, written and converted for ffmpeg by two
        # threads while the next frames render, or all of it on the rendering thread, one frame at a time.
        for threads in (0, 2):
            result = self.capture("--fps", 30, "--from", 48, "--to", 49, "--supersample", 2, "--threads", threads,
                                  "--video", "v%d.mp4" % threads, "--out", "f%d" % threads, "--trace", "trace.txt")
            self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(read(self.path("v0.mp4")) == read(self.path("v2.mp4")))
        self.assertEqual(frames_in(self.path("f0")), list(range(1440, 1470)))
        self.assertEqual(sorted(os.listdir(self.path("f0"))), sorted(os.listdir(self.path("f2"))))
        for name in os.listdir(self.path("f0")):
            self.assertTrue(read(self.path("f0", name)) == read(self.path("f2", name)), name)

    def test_ranges_rendered_in_two_processes_join_into_one_video_with_its_sound(self):
        result = self.capture("--fps", 30, "--from", 10, "--to", 12, "--jobs", 2, "--video", "demo.mp4",
                              "--trace", "trace.txt")
        self.assertEqual(result.returncode, 0, result.stderr)
        streams = self.probe(self.path("demo.mp4"))
        self.assertEqual(streams["video"]["nb_frames"], "60")
        self.assertAlmostEqual(float(streams["format"]["duration"]), 2.0, delta=0.03)
        self.assertEqual((streams["audio"]["sample_rate"], streams["audio"]["channels"]), ("44100", "2"))
        # The frames keep their step across the join (at frame 30).
        times = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v", "-show_entries", "packet=pts_time",
                                "-of", "csv=p=0", self.path("demo.mp4")], check=True, capture_output=True,
                               text=True).stdout.split()
        times = sorted(map(float, times))
        steps = {round(b - a, 4) for a, b in zip(times, times[1:])}
        self.assertEqual(steps, {round(1 / 30, 4)})
        self.assertFalse([name for name in os.listdir(self.workdir) if name.startswith(".quillmoor")])

    def test_a_video_that_ffmpeg_cannot_write_is_an_error(self):
        result = self.capture("--frames", 5, "--video", "missing/demo.mp4", "--trace", "trace.txt")
        self.assertEqual(result.returncode, 1)
        self.assertIn("ffmpeg", result.stderr.decode())


class JobsTest(DemoCaptureCase):
    def test_two_processes_write_the_frames_sound_and_trace_of_one(self):
        # Into the knot's scene (whose vectors fill the trace), every other frame: 31 frames, split 15 and 16.
        runs = {}
        for jobs in (1, 2):
            runs[jobs] = self.capture("--fps", 10, "--from", 30, "--to", 36.05, "--every", 2, "--jobs", jobs,
                                      "--out", "j%d" % jobs, "--trace", "j%d.trace" % jobs)
            self.assertEqual(runs[jobs].returncode, 0, runs[jobs].stderr)
        self.assertEqual(frames_in(self.path("j2")), list(range(300, 361, 2)))
        self.assertEqual(sorted(os.listdir(self.path("j1"))), sorted(os.listdir(self.path("j2"))))
        for name in os.listdir(self.path("j1")):
            self.assertTrue(read(self.path("j1", name)) == read(self.path("j2", name)), name)
        self.assertTrue(read(self.path("j1.trace")) == read(self.path("j2.trace")))
        self.assertRegex(runs[2].stderr.decode(), r"^quillmoor-capture: 361 frames .* wrote 31 frames and "
                                                  r"audio\.wav to j2\n$")


class FailureTest(DemoCaptureCase):
    def test_without_ffmpeg_video_is_refused_before_the_demo_runs(self):
        empty = self.path("no-tools")
        os.mkdir(empty)
        result = self.capture("--frames", 3, "--video", "demo.mp4", env={"PATH": empty})
        self.assertEqual(result.returncode, 1)
        self.assertIn("ffmpeg", result.stderr.decode())
        self.assertIn("not installed", result.stderr.decode())
        self.assertEqual(result.stdout, b"")  # the demo did not start: no trace
        self.assertFalse(os.path.exists(self.path("demo.mp4")))

    def test_bad_options_exit_2_with_a_message_and_touch_nothing(self):
        for args in (["--fps", "0"], ["--fps", "fast"], ["--frames", "-3"], ["--seconds", "1", "--frames", "5"],
                     ["--from", "3", "--to", "2"], ["--keys", "1:Space"], ["--keys", "soon:Return"],
                     ["--every", "0"], ["--bogus"], ["frames"], ["--out"], ["--dry-run", "--out", "x"],
                     ["--size", "640"], ["--supersample", "9"], ["--jobs", "0"], ["--sound-only", "--video", "v.mp4"]):
            result = self.capture(*args)
            self.assertEqual(result.returncode, 2, args)
            stderr = result.stderr.decode()
            self.assertTrue(stderr.startswith("quillmoor-capture: "), (args, stderr))
            self.assertIn("--help", stderr, args)
            self.assertEqual(result.stdout, b"", args)
        self.assertFalse(os.path.exists(self.path("capture")))

    def test_help_lists_the_options(self):
        result = self.capture("--help")
        self.assertEqual(result.returncode, 0)
        for option in ("--fps", "--seconds", "--frames", "--from", "--to", "--every", "--out", "--video",
                       "--keys", "--trace", "--size", "--supersample", "--jobs", "--threads", "--no-sound",
                       "--sound-only"):
            self.assertIn(option.encode(), result.stdout)

    def test_without_a_data_folder_the_demo_cannot_run(self):
        shutil.rmtree(self.path("data"))
        result = self.capture("--frames", 3)
        self.assertEqual(result.returncode, 1)
        self.assertIn("globals", result.stderr.decode())
        self.assertEqual(os.listdir(self.path("capture")), [])

    def test_an_output_folder_that_cannot_be_made_is_an_error(self):
        self.write("taken", "a file")
        result = self.capture("--frames", 3, "--out", "taken")
        self.assertEqual(result.returncode, 1)
        self.assertIn("taken", result.stderr.decode())


if __name__ == "__main__":
    unittest.main()

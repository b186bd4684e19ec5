#!/usr/bin/env python3
"""capture_speed.py -- how fast quillmoor-capture renders the bundled demo, against real time.

Runs the capture tool on the bundled demo (build/demo) once for each of: a dry run (rendering only),
PNG frames, a video at 800x600, a video at 1920x1080 and one at 1920x1080 with --supersample 2, all in
one go, and prints for each the real-time ratio (demo seconds per wall-clock second), the ratio against
the dry run of the same go, and the CPU time per frame of the tool and its ffmpeg. Not part of the test
suite (the whole demo takes minutes); run it on a quiet machine:

    tests/bench/capture_speed.py [--build build] [--fps 60] [--seconds S] [--only png,video] [-- ARGS]

ARGS go to every capture (for instance --threads 3). The load average before and after is printed:
on a machine shared with other work the ratios mean little.
"""
import argparse
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))

MODES = [
    ("dry", "dry run", ["--dry-run"]),
    ("png", "PNG frames", ["--out", "{tmp}/png"]),
    ("video", "video 800x600", ["--video", "{tmp}/video.mp4"]),
    ("video1080", "video 1920x1080", ["--size", "1920x1080", "--video", "{tmp}/video1080.mp4"]),
    ("video1080ss2", "video 1920x1080 ss 2", ["--size", "1920x1080", "--supersample", "2", "--video",
                                              "{tmp}/video1080ss2.mp4"]),
]
SUMMARY = re.compile(r"(\d+) frames \(([0-9.]+) s of demo\)")


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def run(tool, demo, args, env):
    cpu, start = children_cpu(), time.monotonic()
    result = subprocess.run([tool] + args, cwd=demo, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            text=True)
    wall, cpu = time.monotonic() - start, children_cpu() - cpu
    if result.returncode != 0:
        sys.exit("capture failed: %s\n%s" % (" ".join(args), result.stderr))
    match = SUMMARY.search(result.stderr)
    return int(match.group(1)), float(match.group(2)), wall, cpu


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--build", default=os.path.join(HERE, "..", "..", "build"))
    parser.add_argument("--fps", default="60")
    parser.add_argument("--seconds", help="capture only the first S seconds (default: the whole demo)")
    parser.add_argument("--only", help="comma-separated modes: " + ",".join(m[0] for m in MODES))
    parser.add_argument("extra", nargs="*", help="arguments for every capture")
    options = parser.parse_args()

    # The captures run in the demo's folder: the build folder is made absolute first.
    build = os.path.abspath(options.build)
    tool = os.path.join(build, "tools", "quillmoor-capture")
    demo = os.path.join(build, "demo")
    env = dict(os.environ, SDL_AUDIODRIVER="dummy")
    common = ["--fps", options.fps] + (["--seconds", options.seconds] if options.seconds else []) + options.extra
    wanted = options.only.split(",") if options.only else [m[0] for m in MODES]
    tmp = tempfile.mkdtemp(prefix="quillmoor-bench-")
    print("load average %.2f %.2f %.2f; %d CPUs" % (os.getloadavg() + (os.cpu_count(),)))
    print("%-22s %8s %8s %9s %12s" % ("", "wall s", "x real", "x dry", "CPU ms/frame"))
    dry = None
    try:
        for key, label, args in MODES:
            if key not in wanted:
                continue
            frames, seconds, wall, cpu = run(tool, demo, [a.format(tmp=tmp) for a in args] + common, env)
            ratio = seconds / wall
            if key == "dry":
                dry = ratio
            print("%-22s %8.2f %8.2f %9s %12.2f" % (label, wall, ratio, "%.2f" % (ratio / dry) if dry else "-",
                                                    1000 * cpu / frames), flush=True)
            shutil.rmtree(tmp, ignore_errors=True)
            os.makedirs(tmp, exist_ok=True)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print("load average %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()

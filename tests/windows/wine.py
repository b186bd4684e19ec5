"""wine.py -- runs the Windows programs under wine64 for the tests: in the build's own Wine prefix, with
Wine's own messages off and no crash debugger, so that a crash ends the program with a failing status
(and nothing on standard output) instead of a register dump on standard output.

  wine.py prefix DIR            makes DIR a fresh prefix (the old one removed)
  wine.py run DIR PROGRAM ARGS  runs PROGRAM in prefix DIR; its exit status is this script's"""
import os
import shutil
import subprocess
import sys

WINE = shutil.which("wine64") or "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver"


def environment(prefix, base=None):
    """The variables a Windows program runs with: `base` (default: this process's) and Wine's."""
    env = dict(os.environ if base is None else base)
    env.update({
        "WINEPREFIX": os.path.abspath(prefix),
        "WINEARCH": "win64",
        "WINEDEBUG": "-all",
        # No Mono or Gecko (Wine would offer to download them), and no winedbg: with the
        # debugger off a crash is the program's exit status.
        "WINEDLLOVERRIDES": "mscoree=d;mshtml=d;winedbg.exe=d",
    })
    return env


def make_prefix(prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    env = environment(prefix)
    env.pop("DISPLAY", None)
    made = subprocess.run([WINE, "wineboot", "--init"], env=env, capture_output=True, text=True)
    # A Windows without a sound device, as this machine is: no audio driver of Wine's (whose ALSA
    # one would print alsa-lib's complaints on the program's standard error, which Windows never
    # does), whether the machine has a sound card or not.
    quiet = subprocess.run([WINE, "reg", "add", "HKCU\\Software\\Wine\\Drivers", "/v", "Audio", "/t", "REG_SZ",
                            "/d", "", "/f"], env=env, capture_output=True, text=True)
    subprocess.run([WINESERVER, "-w"], env=env, check=True)
    if made.returncode != 0 or quiet.returncode != 0 or not os.path.exists(os.path.join(prefix, "system.reg")):
        sys.stderr.write(made.stdout + made.stderr + quiet.stdout + quiet.stderr)
        raise SystemExit("wine.py: making the prefix %s failed" % prefix)


def run(prefix, command):
    """Runs a command under Wine with this process's standard streams; waits until the prefix's
    Wine processes have all ended, so that the next run starts afresh."""
    env = environment(prefix)
    status = subprocess.run([WINE] + command, env=env).returncode
    subprocess.run([WINESERVER, "-w"], env=env)
    return status


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "prefix":
        make_prefix(sys.argv[2])
        print("wine.py: fresh prefix in %s" % sys.argv[2])
        return 0
    if len(sys.argv) >= 4 and sys.argv[1] == "run":
        return run(sys.argv[2], sys.argv[3:])
    sys.stderr.write(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main())

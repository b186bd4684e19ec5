"""x_session.py -- runs inside the X server that xvfb-run started: launches a program, drives it
with real keys and window events, takes screenshots, and records how it ended.

Usage: python3 x_session.py PLAN.json. The plan names the command, its working directory, the files
for its stdout and stderr, a list of steps, and where to write the result (JSON)."""
import ctypes
import json
import os
import subprocess
import sys
import time


def send_window_close(window_ids):
    """Sends the window manager's close request (WM_DELETE_WINDOW) to each window, as a user
    closing the window would."""
    x11 = ctypes.cdll.LoadLibrary("libX11.so.6")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]

    class ClientMessage(ctypes.Structure):
        _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                    ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                    ("format", ctypes.c_int), ("l", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]

    display = x11.XOpenDisplay(None)
    protocols = x11.XInternAtom(display, b"WM_PROTOCOLS", 0)
    delete = x11.XInternAtom(display, b"WM_DELETE_WINDOW", 0)
    for wid in window_ids:
        event = ClientMessage()
        event.type = 33  # ClientMessage
        event.window = wid
        event.message_type = protocols
        event.format = 32
        event.l[0] = delete
        x11.XSendEvent(display, wid, 0, 0, ctypes.byref(event))
    x11.XFlush(display)
    x11.XCloseDisplay(display)


def find_windows(title):
    out = subprocess.run(["xdotool", "search", "--name", title], capture_output=True, text=True)
    return [int(w) for w in out.stdout.split()]


def window_name(title):
    """The full name of the first window whose name holds `title`; empty without one."""
    windows = find_windows(title)
    if not windows:
        return ""
    return subprocess.run(["xdotool", "getwindowname", str(windows[0])], capture_output=True, text=True).stdout.strip()


def count_lines(path):
    try:
        with open(path, "rb") as f:
            return f.read().count(b"\n")
    except OSError:
        return 0


def main():
    with open(sys.argv[1]) as f:
        plan = json.load(f)
    result = {"status": None, "timed_out": False, "window_seen": False, "steps": [], "titles": []}
    env = dict(os.environ)
    for name, value in plan.get("env", {}).items():
        if value is None:
            env.pop(name, None)  # null in the plan: the program runs without the variable
        else:
            env[name] = value
    with open(plan["stdout"], "wb") as out, open(plan["stderr"], "wb") as err:
        proc = subprocess.Popen(plan["command"], cwd=plan["cwd"], stdout=out, stderr=err, env=env)
        for step in plan["steps"]:
            kind = step["do"]
            if kind == "wait_window":
                deadline = time.time() + step.get("timeout", 20)
                while time.time() < deadline and proc.poll() is None:
                    if find_windows(plan["title"]):
                        result["window_seen"] = True
                        break
                    time.sleep(0.05)
            elif kind == "wait_trace_lines":
                deadline = time.time() + step.get("timeout", 30)
                while time.time() < deadline and proc.poll() is None and count_lines(plan["stdout"]) < step["lines"]:
                    time.sleep(0.05)
            elif kind == "wait_stderr":
                # Until the program has written the text on standard error (a count of times).
                deadline = time.time() + step.get("timeout", 30)
                while time.time() < deadline and proc.poll() is None:
                    with open(plan["stderr"], "rb") as f:
                        if f.read().count(step["text"].encode()) >= step["count"]:
                            break
                    time.sleep(0.05)
            elif kind == "write":
                # As an editor saves: in place, or deleted and written again.
                if step.get("delete_first"):
                    os.remove(step["file"])
                    time.sleep(step.get("gap", 0))
                with open(step["file"], "wb") as f:
                    f.write(step["text"].encode("latin-1"))
            elif kind == "title":
                result["titles"].append(window_name(plan["title"]))
            elif kind == "wait_title":
                deadline = time.time() + step.get("timeout", 30)
                while time.time() < deadline and proc.poll() is None and step["text"] not in window_name(plan["title"]):
                    time.sleep(0.05)
            elif kind == "wait_title_change":
                last = result["titles"][-1] if result["titles"] else ""
                deadline = time.time() + step.get("timeout", 30)
                while time.time() < deadline and proc.poll() is None and window_name(plan["title"]) == last:
                    time.sleep(0.05)
            elif kind == "sleep":
                time.sleep(step["seconds"])
            elif kind == "key":
                subprocess.run(["xdotool", "key", "--delay", "60"] + step["keys"], check=False)
            elif kind == "click":
                # The left button at a point of the window (its pixels from the top left), or a drag
                # from there to another point.
                windows = find_windows(plan["title"])
                if windows:
                    w = str(windows[0])
                    subprocess.run(["xdotool", "mousemove", "--window", w, str(step["x"]), str(step["y"]),
                                    "mousedown", "1"], check=False)
                    for x, y in step.get("through", []):
                        time.sleep(0.1)
                        subprocess.run(["xdotool", "mousemove", "--window", w, str(x), str(y)], check=False)
                    subprocess.run(["xdotool", "mouseup", "1"], check=False)
            elif kind == "close_window":
                send_window_close(find_windows(plan["title"]))
            elif kind == "burst":
                # Raw screenshots back to back, for effects shorter than a sleep's accuracy.
                deadline = time.time() + step["seconds"]
                index = 0
                while time.time() < deadline:
                    shot = subprocess.run(["xwd", "-root", "-silent"], capture_output=True)
                    with open("%s_%03d.xwd" % (step["prefix"], index), "wb") as f:
                        f.write(shot.stdout)
                    index += 1
            elif kind == "shot":
                shot = subprocess.run("xwd -root -silent | convert xwd:- ppm:-", shell=True, capture_output=True)
                with open(step["file"], "wb") as f:
                    f.write(shot.stdout)
            result["steps"].append(kind)
        try:
            result["status"] = proc.wait(timeout=plan.get("exit_timeout", 30))
        except subprocess.TimeoutExpired:
            result["timed_out"] = True
            proc.kill()
            result["status"] = proc.wait()
    with open(plan["result"], "w") as f:
        json.dump(result, f)


if __name__ == "__main__":
    main()

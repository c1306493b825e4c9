"""Runs the real viewer against the real simulator on a private Xvfb display."""
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

BUILD = os.environ.get("RANGEVIEW_BUILD", os.path.join(os.path.dirname(__file__), "..", "..", "build"))

HELP = ("Key help:\n"
        "  [A]  Zoom out point cloud.\n"
        "  [D]  Zoom in point cloud.\n"
        "  [O]  Record distance and amp data.\n"
        "  [P]  Pause data record.\n"
        "  [H]  Print key help.\n"
        "  [Q]  Quit.\n"
        "Vision help:\n"
        "  [Z]  Top view.\n"
        "  [X]  Left side view.\n"
        "  [C]  Oblique view (from upper left).\n"
        "  [R]  Reset observation position (default is device's position).\n")
CONNECTED = "Conneting ...\nDevice conneted!\n"
STARTED = "Start processing ...\n" + HELP
ENTER = "Press ENTER to exit.\n"
STOPPED = "Device is successfully stopped and disconnected!\n" + ENTER


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def check(condition, message):
    if not condition:
        fail(message)


class Lines:
    """Collects a child's output lines in a thread, so waits never block."""

    def __init__(self, stream):
        self.lines = []
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, args=(stream,), daemon=True)
        self.thread.start()

    def _read(self, stream):
        for line in iter(stream.readline, ""):
            with self.lock:
                self.lines.append(line)

    def text(self):
        with self.lock:
            return "".join(self.lines)

    def wait_for(self, pattern, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = re.search(pattern, self.text())
            if found:
                return found
            time.sleep(0.02)
        fail("timed out waiting for %r; got:\n%s" % (pattern, self.text()))


class Display:
    def __init__(self, size="1600x1200x24"):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read_end, 16)
            if not chunk:
                fail("Xvfb did not start")
            number += chunk
        os.close(read_end)
        self.name = ":" + number.decode().strip()

    def stop(self):
        self.process.terminate()
        self.process.wait()


class Simulator:
    def __init__(self, *args):
        self.process = subprocess.Popen([os.path.join(BUILD, "rangesim"), "--once"] + list(args),
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        self.log = Lines(self.process.stdout)
        self.log.wait_for("listening on")

    def commands(self):
        return re.findall(r"rangesim: command (\S+)", self.log.text())

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


class Viewer:
    def __init__(self, display, program="rangeview", env=None, cwd=None):
        environment = dict(os.environ)
        environment.update({"DISPLAY": display.name if display else "",
                            "XDG_RUNTIME_DIR": tempfile.mkdtemp(prefix="rangeview-xdg-")})
        environment.update(env or {})
        self.cwd = cwd or tempfile.mkdtemp(prefix="rangeview-run-")
        self.process = subprocess.Popen([os.path.join(BUILD, program)], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                        env=environment, cwd=self.cwd)
        self.output = Lines(self.process.stdout)
        self.errors = Lines(self.process.stderr)

    def interrupt(self):
        self.process.send_signal(signal.SIGINT)

    def waiting_for_enter(self, timeout=20):
        self.output.wait_for(re.escape(ENTER), timeout)
        time.sleep(0.2)
        check(self.process.poll() is None, "the viewer ended without waiting for ENTER")

    def press_enter(self, timeout=15):
        self.process.stdin.write("\n")
        self.process.stdin.flush()
        return self.process.wait(timeout)

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()


class Run:
    """One scenario: a display, optionally a simulator, and the viewer."""

    def __init__(self, sim_args=None, program="rangeview", env=None, cwd=None, display=True):
        self.display = self.sim = self.viewer = None
        try:
            self.display = Display() if display else None
            self.sim = Simulator(*sim_args) if sim_args is not None else None
            self.viewer = Viewer(self.display, program, env, cwd)
        except BaseException:
            self._stop_all()
            raise

    def _stop_all(self):
        for part in (self.viewer, self.sim, self.display):
            if part:
                part.stop()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self._stop_all()
        if exc[0] is not None and exc[0] is not SystemExit:
            return False
        if exc[0] is SystemExit and exc[1].code not in (0, None):
            print("--- viewer output ---\n" + self.viewer.output.text())
            print("--- viewer errors ---\n" + self.viewer.errors.text()[-3000:])
            if self.sim:
                print("--- simulator log ---\n" + self.sim.log.text())
        return False

    def xdotool(self, *args):
        env = dict(os.environ, DISPLAY=self.display.name)
        return subprocess.run(["xdotool"] + [str(a) for a in args], env=env, check=True,
                              stdout=subprocess.PIPE, text=True).stdout

    def window(self, name, timeout=15):
        deadline = time.time() + timeout
        while time.time() < deadline:
            env = dict(os.environ, DISPLAY=self.display.name)
            found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^%s$" % name],
                                   env=env, stdout=subprocess.PIPE, text=True).stdout.split()
            if found:
                return found[0]
            time.sleep(0.1)
        fail("no window named %r" % name)


def open_windows(run):
    """Waits for start-up and the three windows; returns them as
    (original, undistorted, point cloud) with the image windows moved apart,
    since without a window manager they open on top of each other."""
    run.viewer.output.wait_for("Start processing")
    original = run.window("Original image")
    undistorted = run.window("Undistorted image")
    cloud = run.window("Point Cloud")
    run.xdotool("windowmove", "--sync", undistorted, 0, 150)
    run.xdotool("windowmove", "--sync", original, 0, 0)
    time.sleep(1.0)
    return original, undistorted, cloud


def type_key(run, window, key):
    run.xdotool("windowfocus", "--sync", window)
    run.xdotool("key", key)


def expect_transcript(viewer, expected):
    got = viewer.output.text()
    check(got == expected, "console transcript differs.\n--- expected ---\n%s--- got ---\n%s" % (expected, got))


def scenario_table(scenarios):
    """Runs the scenario named on the command line."""
    name = sys.argv[1] if len(sys.argv) > 1 else ""
    if name not in scenarios:
        fail("unknown scenario %r; known: %s" % (name, ", ".join(sorted(scenarios))))
    scenarios[name]()
    print("PASS: " + name)


class Screen:
    """A screenshot of the whole display, read as RGB pixels."""

    def __init__(self, run):
        env = dict(os.environ, DISPLAY=run.display.name)
        data = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env, check=True,
                              stdout=subprocess.PIPE).stdout
        header = []
        position = 0
        while len(header) < 4:
            while data[position:position + 1].isspace():
                position += 1
            end = position
            while not data[end:end + 1].isspace():
                end += 1
            header.append(data[position:end])
            position = end
        self.width, self.height = int(header[1]), int(header[2])
        self.pixels = data[position + 1:]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])

    def region(self, x, y, w, h):
        return b"".join(self.pixels[3 * ((y + j) * self.width + x):3 * ((y + j) * self.width + x + w)]
                        for j in range(h))


def window_origin(run, window):
    out = run.xdotool("getwindowgeometry", "--shell", window)
    values = dict(line.split("=") for line in out.split())
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def close_window(run, window):
    """Sends WM_DELETE_WINDOW, as a window manager's close button does."""
    from Xlib import X, display as xdisplay, protocol
    d = xdisplay.Display(run.display.name)
    w = d.create_resource_object("window", int(window))
    delete = d.intern_atom("WM_DELETE_WINDOW")
    event = protocol.event.ClientMessage(window=w, client_type=d.intern_atom("WM_PROTOCOLS"),
                                         data=(32, [delete, X.CurrentTime, 0, 0, 0]))
    w.send_event(event, event_mask=X.NoEventMask)
    d.sync()  # a round trip: the server has handled the request before we hang up
    d.close()


def color_of(v):
    """The colour ramp as (red, green, blue), in integers: v * 4.25 == v * 17 / 4."""
    if v == 0:
        return (0, 0, 0)
    if v <= 60:
        return (0, 0, v * 17 // 4)
    if v <= 120:
        return (0, (v - 60) * 17 // 4, 255)
    if v <= 180:
        return (0, 255, (1020 - (v - 120) * 17) // 4)
    if v <= 240:
        return ((v - 180) * 17 // 4, 255, 0)
    if v <= 300:
        return (255, (1020 - (v - 240) * 17) // 4, 0)
    return (255, 0, 0)


def probe_pixel(frame, row, column):
    out = subprocess.run([os.path.join(BUILD, "frame_probe"), "pixel", str(frame), str(row), str(column)],
                         check=True, stdout=subprocess.PIPE, text=True).stdout.split()
    return int(out[0]), int(out[1])

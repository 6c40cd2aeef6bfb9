"""A throw-away X desktop for end-to-end tests: Xvfb, a window manager, a tray host, the program.

Everything started here dies with the test process, also when the test is killed: each child gets
SIGKILL from the kernel when its parent goes (PR_SET_PDEATHSIG), and stop() ends them in order.
"""

import ctypes
import os
import re
import select
import signal
import socket
import subprocess
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)


def _die_with_parent():
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    os.setsid()


def wait_for(condition, timeout, interval=0.2, what="condition"):
    """Polls until condition() is truthy; returns its value or raises after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class Desktop:
    def __init__(self, shots_dir, tray=True, window_manager=True, size=(1024, 768)):
        self.shots_dir = shots_dir
        self.tray = tray
        self.window_manager = window_manager
        self.size = size
        self.processes = []  # (name, Popen), started in this order
        self.env = None
        self.shot_count = 0
        self.logs_dir = os.path.join(shots_dir, "logs")

    # -- life --------------------------------------------------------------------------------
    def __enter__(self):
        os.makedirs(self.logs_dir, exist_ok=True)
        try:
            self._start_x()
            if self.window_manager:
                self._spawn("openbox", ["openbox", "--sm-disable"])
                wait_for(lambda: self._root_property("_NET_SUPPORTING_WM_CHECK"), 15, what="the window manager")
            if self.tray:
                self.start_tray()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def _start_x(self):
        width, height = self.size
        # Xvfb takes the first display whose lock it wins and reports the number when it accepts
        # connections. Choosing the number here instead races with scenarios running in parallel:
        # their network namespaces hide each other's abstract sockets but not /tmp/.X11-unix, so a
        # client could reach another scenario's server.
        ready, report = os.pipe()
        try:
            server = self._spawn("Xvfb", ["Xvfb", "-displayfd", str(report), "-screen", "0",
                                          f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"],
                                 pass_fds=(report,), env=os.environ.copy())
            os.close(report)
            report = None
            answer = b""
            deadline = time.monotonic() + 20
            while not answer.endswith(b"\n"):
                if not select.select([ready], [], [], max(0.0, deadline - time.monotonic()))[0]:
                    raise AssertionError("timed out after 20 s waiting for Xvfb")
                chunk = os.read(ready, 16)
                if not chunk:
                    raise AssertionError(f"Xvfb did not start (status {server.wait(timeout=5)})")
                answer += chunk
            number = int(answer)
        finally:
            os.close(ready)
            if report is not None:
                os.close(report)
        self.env = dict(os.environ)
        self.env.update({
            "DISPLAY": f":{number}",
            "XDG_RUNTIME_DIR": self._runtime_dir(),
            # No session bus: Qt then docks its icon with the XEmbed protocol the tray host speaks.
            "DBUS_SESSION_BUS_ADDRESS": "unix:path=/nonexistent",
            "QT_QPA_PLATFORM": "xcb",
        })
        self.env.pop("WAYLAND_DISPLAY", None)

    def _runtime_dir(self):
        path = os.path.join(self.logs_dir, "runtime")
        os.makedirs(path, mode=0o700, exist_ok=True)
        os.chmod(path, 0o700)
        return path

    def _spawn(self, name, argv, pass_fds=(), env=None):
        log = open(os.path.join(self.logs_dir, f"{name}.log"), "wb")
        process = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=env or self.env, pass_fds=pass_fds, preexec_fn=_die_with_parent)
        log.close()
        self.processes.append((name, process))
        return process

    def start_tray(self):
        starts = sum(1 for name, _ in self.processes if name.startswith("trayer"))
        self._spawn(f"trayer-{starts + 1}" if starts else "trayer",
                    ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                     "--SetDockType", "true", "--transparent", "false", "--tint", "0x000000"])
        wait_for(self.tray_panel, 15, what="the tray host's panel")
        time.sleep(0.5)

    def kill_tray(self):
        """Ends the tray host the way a crash does, without a word to the icons docked in it."""
        for name, process in self.processes:
            if name.startswith("trayer") and process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=5)
        wait_for(lambda: not self.tray_panel(), 10, what="the tray host's panel to go")

    def start_program(self, program):
        return self._spawn("vedodud", [program])

    def stop(self):
        for _, process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                except ProcessLookupError:
                    pass
        for _, process in reversed(self.processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=5)
        self.processes = []

    # -- looking -----------------------------------------------------------------------------
    def run(self, *argv, check=True):
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def _root_property(self, name):
        out = self.run("xprop", "-root", name, check=False)
        return "window id" in out

    def tree(self):
        """Every window: (id, name, depth, absolute x, y, width, height, ancestors' names)."""
        # A window that goes while xwininfo walks the tree fails the walk; the next one is whole.
        for _ in range(5):
            result = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True,
                                    text=True, timeout=30)
            window_went = "Bad Window" in result.stderr or "Bad Drawable" in result.stderr
            if result.returncode == 0 or not window_went:
                break
            time.sleep(0.05)
        if result.returncode != 0:
            raise AssertionError(f"xwininfo failed: {result.stderr.strip()}")
        out = result.stdout
        windows, stack = [], []
        pattern = re.compile(r'^(\s*)(0x[0-9a-f]+) (?:"(.*?)"|\(has no name\)).*?\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+'
                             r'\s+\+?(-?\d+)\+?(-?\d+)\s*$')
        for line in out.splitlines():
            match = pattern.match(line)
            if not match:
                continue
            indent = len(match.group(1))
            while stack and stack[-1][0] >= indent:
                stack.pop()
            window = {"id": int(match.group(2), 16), "name": match.group(3) or "",
                      "w": int(match.group(4)), "h": int(match.group(5)),
                      "x": int(match.group(6)), "y": int(match.group(7)),
                      "ancestors": [name for _, name in stack]}
            windows.append(window)
            stack.append((indent, window["name"]))
        return windows

    def tray_panel(self):
        return next((w for w in self.tree() if w["name"] == "panel"), None)

    def tray_icons(self, name):
        """Icons docked in the tray host whose window carries `name`."""
        return [w for w in self.tree() if w["name"] == name and "panel" in w["ancestors"]]

    def visible_windows(self, name, window_class="vedodud"):
        """Viewable windows of the program with this title, the tray icon not counted."""
        out = self.run("xdotool", "search", "--onlyvisible", "--class", window_class, check=False)
        tree = {w["id"]: w for w in self.tree()}
        return [int(token) for token in out.split()
                if int(token) in tree and tree[int(token)]["name"] == name
                and "panel" not in tree[int(token)]["ancestors"]]

    def _ancestry(self, window_id):
        for window in self.tree():
            if window["id"] == window_id:
                return window["ancestors"]
        return []

    def window_type(self, window_id):
        return self.run("xprop", "-id", str(window_id), "_NET_WM_WINDOW_TYPE", check=False)

    def _motif_hints(self, window_id):
        out = self.run("xprop", "-id", str(window_id), "_MOTIF_WM_HINTS", check=False)
        values = [int(v, 16) for v in re.findall(r"0x[0-9a-f]+", out)]
        return values if len(values) >= 3 else [0, 0, 0]

    def motif_functions(self, window_id):
        return self._motif_hints(window_id)[1]

    def motif_decorations(self, window_id):
        return self._motif_hints(window_id)[2]

    def popup_menus(self, name):
        """Menus open: windows that bypass the window manager, other than tooltips."""
        return [w for w in self.visible_windows(name)
                if "Override Redirect State: yes" in self.run("xwininfo", "-id", str(w))
                and "TOOLTIP" not in self.window_type(w)]

    def tooltips(self, window_class="vedodud"):
        out = self.run("xdotool", "search", "--onlyvisible", "--class", window_class, check=False)
        return [w for w in out.split() if "TOOLTIP" in self.window_type(w)]

    def dialogs(self, name):
        return [w for w in self.visible_windows(name) if "DIALOG" in self.window_type(w)]

    def client_origin(self, window_id):
        """Where the window's client area stands on the screen."""
        out = self.run("xwininfo", "-id", str(window_id))
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", out).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", out).group(1))
        return x, y

    def client_size(self, window_id):
        out = self.run("xwininfo", "-id", str(window_id))
        return (int(re.search(r"Width:\s+(\d+)", out).group(1)), int(re.search(r"Height:\s+(\d+)", out).group(1)))

    def screenshot(self, step):
        self.shot_count += 1
        path = os.path.join(self.shots_dir, f"{self.shot_count:02d}-{step}.png")
        self.run("import", "-window", "root", path)
        return path

    def pixel(self, x, y):
        out = self.run("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-")
        match = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
        return tuple(int(v) for v in match.groups())

    # -- acting ------------------------------------------------------------------------------
    def xdotool(self, *args):
        return self.run("xdotool", *[str(a) for a in args])

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.2)
        self.xdotool("click", button)

    def right_click_icon(self, icon):
        self.click(icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2, button=3)


def process_rss_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return None


def free_loopback_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


class LoopbackSite:
    """A tiny web site on 127.0.0.1 that can be switched on and off on one fixed port."""

    class _Handler(BaseHTTPRequestHandler):
        def do_GET(self):
            body = b"online\n"
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)

        def log_message(self, *args):
            pass

    def __init__(self):
        self.port = free_loopback_port()
        self.url = f"http://127.0.0.1:{self.port}/"
        self._server = None
        self._thread = None

    def start(self):
        ThreadingHTTPServer.allow_reuse_address = True
        self._server = ThreadingHTTPServer(("127.0.0.1", self.port), self._Handler)
        self._thread = threading.Thread(target=self._server.serve_forever, kwargs={"poll_interval": 0.1},
                                        daemon=True)
        self._thread.start()

    def stop(self):
        if self._server:
            self._server.shutdown()
            self._server.server_close()
            self._thread.join(timeout=5)
            self._server = None

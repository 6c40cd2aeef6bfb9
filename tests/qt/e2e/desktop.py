"""A throw-away desktop for end-to-end tests: Xvfb, a window manager, a tray host, the program; on
request a session bus, a Wayland compositor and the accessibility bus.

Tray hosts: "trayer" (an XEmbed tray, no session bus) or "xfce4-panel" (its status tray is a
StatusNotifierItem host on the session bus and an XEmbed tray at once).

Everything started here dies with the test process, also when the test is killed: each child gets
SIGKILL from the kernel when its parent goes (PR_SET_PDEATHSIG), and stop() ends them in order.
"""

import ast
import ctypes
import os
import re
import select
import shutil
import signal
import socket
import subprocess
import tempfile
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


PANEL_CHANNEL = """<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="30"/>
      <property name="plugin-ids" type="array"><value type="int" value="1"/></property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
"""
WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
# Windows of the tray hosts: trayer's panel, xfce4-panel and the wrapper its status tray runs in.
TRAY_HOST_WINDOWS = {"panel", "xfce4-panel", "wrapper-2.0"}


class Desktop:
    def __init__(self, shots_dir, tray="trayer", window_manager=True, size=(1024, 768), wayland=False,
                 accessibility=False):
        self.shots_dir = shots_dir
        self.tray = tray
        self.window_manager = window_manager
        self.size = size
        self.session_bus = tray == "xfce4-panel" or wayland or accessibility
        self.wayland = wayland
        self.accessibility = accessibility
        self.processes = []  # (name, Popen), started in this order
        self.env = None
        self.shot_count = 0
        self.logs_dir = os.path.join(shots_dir, "logs")
        self.runtime_dir = None

    # -- life --------------------------------------------------------------------------------
    def __enter__(self):
        os.makedirs(self.logs_dir, exist_ok=True)
        try:
            self._start_x()
            if self.session_bus:
                self._start_session_bus()
            if self.accessibility:
                self._spawn("at-spi-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            if self.wayland:
                self._start_wayland()
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

    def _start_session_bus(self):
        """A bus of this desktop's own, and a home of its own for what the panel keeps there."""
        runtime = self.env["XDG_RUNTIME_DIR"]
        home = os.path.join(self.logs_dir, "home")
        channels = os.path.join(home, ".config", "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channels, exist_ok=True)
        with open(os.path.join(channels, "xfce4-panel.xml"), "w") as channel:
            channel.write(PANEL_CHANNEL)
        self.env.update({"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                         "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                         "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
                         "DBUS_SESSION_BUS_ADDRESS": f"unix:path={runtime}/bus"})
        self._spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                    f"--address={self.env['DBUS_SESSION_BUS_ADDRESS']}"])
        wait_for(lambda: self.bus_call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus.GetId") is not None, 15, what="the session bus")

    def _start_wayland(self):
        """A headless Wayland compositor; the X server stays for the tray host's panel."""
        self.wayland_display = "wayland-vedodud"
        self._spawn("weston", ["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                               f"--socket={self.wayland_display}", f"--width={self.size[0]}",
                               f"--height={self.size[1]}", "--idle-time=0"])
        socket_path = os.path.join(self.env["XDG_RUNTIME_DIR"], self.wayland_display)
        wait_for(lambda: os.path.exists(socket_path), 15, what="the Wayland compositor")

    def _runtime_dir(self):
        # Short, so that socket paths in it (the bus, the compositor) fit a socket address.
        self.runtime_dir = tempfile.mkdtemp(prefix="vedodud-e2e-")
        return self.runtime_dir

    def _spawn(self, name, argv, pass_fds=(), env=None):
        log = open(os.path.join(self.logs_dir, f"{name}.log"), "wb")
        process = subprocess.Popen(argv, stdout=log, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL,
                                   env=env or self.env, pass_fds=pass_fds, preexec_fn=_die_with_parent)
        log.close()
        self.processes.append((name, process))
        return process

    def _started(self, name):
        """Processes started under this name: the first has it as is, later ones get -2, -3..."""
        return [(started, process) for started, process in self.processes
                if started == name or re.fullmatch(re.escape(name) + r"-\d+", started)]

    def _next_name(self, name):
        starts = len(self._started(name))
        return f"{name}-{starts + 1}" if starts else name

    def start_tray(self):
        if self.tray == "xfce4-panel":
            self._spawn(self._next_name("xfce4-panel"), ["xfce4-panel"])
            wait_for(self.status_notifier_host_registered, 20, what="the panel's status notifier host")
            wait_for(self.tray_panel, 15, what="the panel's status tray")
            return
        self._spawn(self._next_name("trayer"),
                    ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
                     "--SetDockType", "true", "--transparent", "false", "--tint", "0x000000"])
        wait_for(self.tray_panel, 15, what="the tray host's panel")
        time.sleep(0.5)

    def kill_tray(self):
        """Ends the tray host the way a crash does, without a word to the icons docked in it."""
        for _, process in self._started(self.tray):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=5)
        wait_for(lambda: not self.tray_panel(), 10, what="the tray host's panel to go")
        if self.tray == "xfce4-panel":
            wait_for(lambda: not self.status_notifier_host_registered(), 10, what="the status notifier host to go")

    def start_program(self, program, wayland=False):
        env = dict(self.env)
        if wayland:
            env.update({"WAYLAND_DISPLAY": self.wayland_display, "QT_QPA_PLATFORM": "wayland"})
            env.pop("DISPLAY")
        if self.accessibility:
            env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        return self._spawn(self._next_name("vedodud"), [program], env=env)

    def program_log(self):
        with open(os.path.join(self.logs_dir, "vedodud.log")) as log:
            return log.read()

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
        if self.runtime_dir:
            shutil.rmtree(self.runtime_dir, ignore_errors=True)
            self.runtime_dir = None

    # -- looking -----------------------------------------------------------------------------
    def run(self, *argv, check=True):
        result = subprocess.run(argv, env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    def bus_call(self, destination, path, method, *args):
        """A method call on the session bus; its reply as Python values, or None if it failed."""
        result = subprocess.run(["gdbus", "call", "--session", "--dest", destination, "--object-path", path,
                                 "--method", method, "--", *[str(a) for a in args]],
                                env=self.env, capture_output=True, text=True, timeout=30)
        if result.returncode != 0:
            return None
        return _gvariant(result.stdout)

    def bus_property(self, destination, path, interface, name):
        reply = self.bus_call(destination, path, "org.freedesktop.DBus.Properties.Get", interface, name)
        return None if reply is None else reply[0]

    def status_notifier_host_registered(self):
        return self.bus_property(*WATCHER, WATCHER[0], "IsStatusNotifierHostRegistered") is True

    def status_notifier_items(self):
        """The items the watcher knows: (bus name, object path) each."""
        items = self.bus_property(*WATCHER, WATCHER[0], "RegisteredStatusNotifierItems") or []
        return [(name, "/" + path if path else "/StatusNotifierItem")
                for name, _, path in (item.partition("/") for item in items)]

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
        """The tray host's window: trayer's panel, or the window of xfce4-panel's status tray."""
        if self.tray == "xfce4-panel":
            return next((w for w in self.tree() if w["name"] == "wrapper-2.0" and "xfce4-panel" in w["ancestors"]),
                        None)
        return next((w for w in self.tree() if w["name"] == "panel"), None)

    def tray_icons(self, name):
        """Icons docked in the tray host whose window carries `name` (XEmbed icons have one)."""
        return [w for w in self.tree() if w["name"] == name and TRAY_HOST_WINDOWS & set(w["ancestors"])]

    def visible_windows(self, name, window_class="vedodud"):
        """Viewable windows of the program with this title, the tray icon not counted."""
        out = self.run("xdotool", "search", "--onlyvisible", "--class", window_class, check=False)
        tree = {w["id"]: w for w in self.tree()}
        return [int(token) for token in out.split()
                if int(token) in tree and tree[int(token)]["name"] == name
                and not TRAY_HOST_WINDOWS & set(tree[int(token)]["ancestors"])]

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

    def menus(self):
        """Menus open on the screen, whoever shows them."""
        out = self.run("xdotool", "search", "--onlyvisible", "--name", "", check=False)
        return [int(w) for w in out.split() if "MENU" in self.window_type(w)]

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

    def click_icon(self, icon, button):
        self.click(icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2, button=button)

    def right_click_icon(self, icon):
        self.click_icon(icon, 3)


def _gvariant(text):
    """gdbus's printout of a reply as Python values: strings, numbers, booleans, lists, tuples, dicts."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c in "'\"":  # a string, copied whole
            end = i + 1
            while text[end] != c:
                end += 2 if text[end] == "\\" else 1
            out.append(text[i:end + 1])
            i = end + 1
        elif c in "<>":  # a variant's brackets: its value stands for it
            i += 1
        elif c == "@":  # the type of an empty value
            i = text.index(" ", i) + 1
        elif c.isalpha():
            word = re.match(r"[a-z0-9]+", text[i:]).group(0)
            out.append({"true": "True", "false": "False"}.get(word, ""))  # type names go
            i += len(word)
        else:
            out.append(c)
            i += 1
    return ast.literal_eval("".join(out))


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

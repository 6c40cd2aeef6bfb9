"""A throw-away desktop: Xvfb, a window manager, a tray host; on request a session bus, a Wayland
compositor and the accessibility bus.

Tray hosts: "trayer" (an XEmbed tray, no session bus), "tint2" (an XEmbed tray in its default dark
panel; needs the window manager), "xfce4-panel" (its status tray is a StatusNotifierItem host on
the session bus and an XEmbed tray at once), or GNOME Shell with its AppIndicator extension, on X11
or Wayland ("gnome-shell", "gnome-shell-wayland"; see gnome.py).

Everything started here dies with the process that started it, also when that one is killed: each
child gets SIGKILL from the kernel when its parent goes (PR_SET_PDEATHSIG), and stop() ends them in
order.
"""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

from .bus import WATCHER, SessionBus
from .gnome import start_gnome_shell
from .screen import Screen
from .waiting import wait_for

PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL(None, use_errno=True)

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
TINT2_DEFAULT_CONFIG = "/etc/xdg/tint2/tint2rc"
GNOME_SHELL = ("gnome-shell", "gnome-shell-wayland")  # the shell is then the window manager too
TRAYER = ["trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "32",
          "--SetDockType", "true", "--transparent", "false", "--tint", "0x000000"]


def die_with_parent():
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)
    os.setsid()


class Desktop(Screen):
    def __init__(self, logs_dir, shots_dir=None, tray="trayer", window_manager=True, size=(1024, 768),
                 wayland=False, accessibility=False, watcher=None):
        super().__init__(None, shots_dir, window_manager)
        self.logs_dir = logs_dir
        self.tray = tray
        self.size = size
        self.wayland = wayland
        self.accessibility = accessibility
        self.watcher = watcher  # a stand-in StatusNotifierWatcher: "hung" or "no-host" (fake_watcher.py, python3-gi)
        self.bus = None
        self.processes = []  # (name, Popen), started in this order
        self.runtime_dir = None

    @classmethod
    def attach(cls, state_dir, shots_dir, window_manager=False):
        """The desktop that `python3 tests/desktop start STATE` keeps running, to look at and act on."""
        with open(os.path.join(state_dir, "display")) as display:
            env = dict(os.environ, DISPLAY=display.read().strip())
        return Screen(env, shots_dir, window_manager)

    # -- life --------------------------------------------------------------------------------
    def __enter__(self):
        os.makedirs(self.logs_dir, exist_ok=True)
        try:
            self._start_x()
            if self.tray in ("xfce4-panel", *GNOME_SHELL) or self.wayland or self.accessibility or self.watcher:
                self._start_session_bus()
            if self.watcher:
                self._spawn("watcher", ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "fake_watcher.py"),
                                        self.watcher])
                wait_for("the watcher", lambda: self.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                              "org.freedesktop.DBus.GetNameOwner", WATCHER[0]), 15)
            if self.accessibility:
                self._spawn("at-spi-bus", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
            if self.wayland:
                self._start_wayland()
            if self.window_manager:
                self._spawn("openbox", ["openbox", "--sm-disable"])
                wait_for("the window manager",
                         lambda: "window id" in self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False), 15)
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
        # Xvfb takes the first display whose lock it wins and writes the number once it accepts
        # connections. Choosing the number here instead races with desktops started in parallel:
        # their network namespaces hide each other's abstract sockets but not /tmp/.X11-unix, so a
        # client could reach another desktop's server.
        server = self._spawn("Xvfb", ["Xvfb", "-displayfd", "1", "-screen", "0", "{}x{}x24".format(*self.size),
                                      "-nolisten", "tcp", "-noreset"], env=os.environ.copy(), stdout=subprocess.PIPE)
        if not select.select([server.stdout], [], [], 20)[0]:
            raise AssertionError("timed out after 20 s waiting for Xvfb")
        number = server.stdout.readline()
        if not number:
            raise AssertionError(f"Xvfb did not start (status {server.wait(timeout=5)})")
        # Short, so that socket paths in it (the bus, the compositor) fit a socket address.
        self.runtime_dir = tempfile.mkdtemp(prefix="vedodud-e2e-")
        self.env = dict(os.environ, DISPLAY=f":{int(number)}", XDG_RUNTIME_DIR=self.runtime_dir,
                        # No session bus: Qt then docks its icon with the XEmbed protocol the tray speaks.
                        DBUS_SESSION_BUS_ADDRESS="unix:path=/nonexistent", QT_QPA_PLATFORM="xcb")
        self.env.pop("WAYLAND_DISPLAY", None)

    def _start_session_bus(self):
        """A bus of this desktop's own, and a home of its own for what the panel keeps there."""
        home = os.path.join(self.logs_dir, "home")
        channels = os.path.join(home, ".config", "xfce4", "xfconf", "xfce-perchannel-xml")
        os.makedirs(channels, exist_ok=True)
        with open(os.path.join(channels, "xfce4-panel.xml"), "w") as channel:
            channel.write(PANEL_CHANNEL)
        self.env.update({"HOME": home, "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                         "XDG_CACHE_HOME": os.path.join(home, ".cache"),
                         "XDG_DATA_HOME": os.path.join(home, ".local", "share"),
                         "DBUS_SESSION_BUS_ADDRESS": f"unix:path={self.runtime_dir}/bus"})
        self._spawn("dbus-daemon", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                    f"--address={self.env['DBUS_SESSION_BUS_ADDRESS']}"])
        self.bus = SessionBus(self.env)
        wait_for("the session bus", lambda: self.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                          "org.freedesktop.DBus.GetId") is not None, 15)

    def _start_wayland(self):
        """A headless Wayland compositor; the X server stays for the tray host's panel."""
        self.wayland_display = "wayland-vedodud"
        self._spawn("weston", ["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
                               f"--socket={self.wayland_display}", f"--width={self.size[0]}",
                               f"--height={self.size[1]}", "--idle-time=0"])
        socket_path = os.path.join(self.runtime_dir, self.wayland_display)
        wait_for("the Wayland compositor", lambda: os.path.exists(socket_path), 15)

    def _spawn(self, name, argv, env=None, stdout=None):
        """Starts a process of this desktop; the first of a name logs to name.log, later ones to
        name-2.log, name-3.log..."""
        starts = len(self._started(name))
        with open(os.path.join(self.logs_dir, f"{name}-{starts + 1}.log" if starts else f"{name}.log"), "wb") as log:
            process = subprocess.Popen(argv, stdout=stdout or log, stderr=log, stdin=subprocess.DEVNULL,
                                       env=env or self.env, preexec_fn=die_with_parent)
        self.processes.append((name, process))
        return process

    def _started(self, name):
        return [process for started, process in self.processes if started == name]

    def start_tray(self):
        if self.tray in GNOME_SHELL:
            start_gnome_shell(self, wayland=self.tray == "gnome-shell-wayland")
            return
        if self.tray == "xfce4-panel":
            self._spawn("xfce4-panel", ["xfce4-panel"])
            wait_for("the panel's status notifier host", self.bus.status_notifier_host_registered, 20)
            wait_for("the panel's status tray", self.tray_panel, 15)
            return
        if self.tray == "tint2":
            # Its default configuration named directly: tint2 would copy it into the user's home.
            self._spawn("tint2", ["tint2", "-c", TINT2_DEFAULT_CONFIG],
                        env=dict(self.env, XDG_CACHE_HOME=os.path.join(self.logs_dir, "cache")))
            starts = len(self._started("tint2"))
            log = f"tint2-{starts}" if starts > 1 else "tint2"
            wait_for("the tray host's panel", self.tray_panel, 15)
            wait_for("the panel's tray", lambda: "systray started" in self.program_log(log), 15)
            return
        self._spawn("trayer", TRAYER)
        wait_for("the tray host's panel", self.tray_panel, 15)
        time.sleep(0.5)

    def kill_tray(self):
        """Ends the tray host the way a crash does, without a word to the icons docked in it."""
        for process in self._started(self.tray):
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
                process.wait(timeout=5)
        wait_for("the tray host's panel to go", lambda: not self.tray_panel(), 10)
        if self.tray == "xfce4-panel":
            wait_for("the status notifier host to go", lambda: not self.bus.status_notifier_host_registered(), 10)

    def hang_tray(self):
        """Stops the tray host: it keeps the tray selection and takes no icon (stop() ends it)."""
        for process in self._started(self.tray):
            os.killpg(process.pid, signal.SIGSTOP)

    def tray_panel(self):
        """The tray host's window: trayer's or tint2's panel, or the window of xfce4-panel's status tray."""
        if self.tray == "xfce4-panel":
            return next((w for w in self.tree() if w["name"] == "wrapper-2.0" and "xfce4-panel" in w["ancestors"]),
                        None)
        return next((w for w in self.tree() if w["name"] == ("tint2" if self.tray == "tint2" else "panel")), None)

    def start_program(self, argv, env_changes=None):
        """Starts a program on this desktop; in env_changes a variable set to None is removed."""
        env = {key: value for key, value in {**self.env, **(env_changes or {})}.items() if value is not None}
        return self._spawn(os.path.basename(argv[0]), argv, env=env)

    def program_log(self, name):
        with open(os.path.join(self.logs_dir, f"{name}.log")) as log:
            return log.read()

    def stop(self):
        for _, process in reversed(self.processes):
            if process.poll() is None:
                try:
                    os.killpg(process.pid, signal.SIGTERM)
                    os.killpg(process.pid, signal.SIGCONT)  # a stopped one, as a hung panel, too
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

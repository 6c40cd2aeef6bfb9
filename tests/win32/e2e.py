#!/usr/bin/env python3
"""Vedodud.exe end to end under Wine, on the wine_desktop fixture's X display with trayer as
the tray, driven with xdotool as a person would. Everything runs in a network namespace of
its own that holds only loopback, so no probe can leave the machine. Screenshots of every
step go to --shots."""
import argparse
import os
import re
import socket
import subprocess
import sys
import threading
import time

TITLE = "Quillet - Dezorav Ovozeri"
ALERT_TITLE = "Dezorav Ovozeri"
HERE = os.path.dirname(os.path.realpath(__file__))
WINE_RUN = os.path.join(HERE, "..", "..", "cmake", "wine-run")


def in_own_network_namespace():
    if os.environ.get("VEDODUD_E2E_NETNS") == "1":
        return
    env = dict(os.environ, VEDODUD_E2E_NETNS="1")
    command = ["unshare", "--net", "sh", "-c", 'ip link set lo up && exec "$@"', "sh", sys.executable] + sys.argv
    sys.exit(subprocess.run(command, env=env).returncode)


def run(*command, check=True):
    result = subprocess.run(command, capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise RuntimeError(f"{command}: {result.stderr}")
    return result.stdout


def wait_for(what, condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.25)
    raise AssertionError(f"timed out after {seconds} s waiting for {what}")


class Desktop:
    def __init__(self, shots):
        self.shots = shots
        self.step = 0
        os.makedirs(shots, exist_ok=True)

    def screenshot(self, name):
        self.step += 1
        path = os.path.join(self.shots, f"{self.step:02d}-{name}.png")
        run("import", "-window", "root", path)
        print(f"screenshot {path}")
        return path

    def visible_windows(self, name):
        out = run("xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(name)}$", check=False)
        return [int(w) for w in out.split()]

    def tray_icons(self):
        """Windows docked into trayer, as (id, x, y, w, h) in root coordinates."""
        trayers = run("xdotool", "search", "--class", "trayer", check=False).split()
        icons = []
        for trayer in trayers:
            tree = run("xwininfo", "-tree", "-id", trayer, check=False)
            for line in tree.splitlines():
                match = re.match(r"\s+(0x[0-9a-f]+) .*?(\d+)x(\d+)\+-?\d+\+-?\d+\s+\+(-?\d+)\+(-?\d+)", line)
                if match and 8 <= int(match.group(2)) <= 64 and 8 <= int(match.group(3)) <= 64:
                    wid, w, h, x, y = match.groups()
                    icons.append((int(wid, 16), int(x), int(y), int(w), int(h)))
        # Nested windows of one icon stand at the same place: count places.
        unique = {}
        for icon in icons:
            unique.setdefault((icon[1], icon[2]), icon)
        return list(unique.values())

    def click_icon(self, button):
        icon = wait_for("a tray icon", lambda: self.tray_icons(), 30)[0]
        _, x, y, w, h = icon
        run("xdotool", "mousemove", str(x + w // 2), str(y + h // 2))
        time.sleep(0.3)
        run("xdotool", "click", str(button))

    def focus(self, window):
        # No window manager here: X gives the keyboard to the window it is told to.
        run("xdotool", "windowfocus", "--sync", str(window), check=False)
        time.sleep(0.3)

    def press_close_box(self, window):
        """Clicks the close box at the right end of the window's title bar."""
        geometry = run("xdotool", "getwindowgeometry", "--shell", str(window))
        values = dict(line.split("=") for line in geometry.split())
        x = int(values["X"]) + int(values["WIDTH"]) - 12
        y = int(values["Y"]) + 9
        run("xdotool", "mousemove", str(x), str(y))
        time.sleep(0.3)
        run("xdotool", "click", "1")

    def key(self, *keys):
        run("xdotool", "key", "--delay", "80", *keys)

    def type(self, text):
        run("xdotool", "type", "--delay", "40", text)


def gui_prefix(root):
    return os.path.realpath(os.path.join(root, "wine", "gui"))


def stop_wine(root):
    env = dict(os.environ, WINEPREFIX=gui_prefix(root))
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=30)


def wine_servers_of(prefix):
    """Network namespaces of the Wine servers that serve this prefix."""
    spaces = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                if b"wineserver" not in f.read():
                    continue
            with open(f"/proc/{pid}/environ", "rb") as f:
                if f"WINEPREFIX={prefix}".encode() not in f.read().split(b"\0"):
                    continue
            spaces.append(os.readlink(f"/proc/{pid}/ns/net"))
        except OSError:
            continue
    return spaces


class Program:
    def __init__(self, root, exe):
        # Wine's server makes the sockets of its programs, so it must start in this network
        # namespace: no server may be left from before.
        stop_wine(root)
        self.started = time.monotonic()
        self.process = subprocess.Popen([WINE_RUN, "--root", root, "--gui", exe],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            prefix = gui_prefix(root)
            wait_for("Wine's server", lambda: wine_servers_of(prefix), 30)
            here = os.readlink("/proc/self/ns/net")
            servers = wine_servers_of(prefix)
            assert servers and all(space == here for space in servers), \
                f"Wine's server must share the test's network namespace {here}: {servers}"
        except BaseException:
            self.stop()
            raise

    def ended(self):
        return self.process.poll() is not None

    def stop(self):
        if not self.ended():
            self.process.kill()
            self.process.wait(10)


class Listener:
    """A loopback HTTP listener that can be switched off and on at the same port."""

    def __init__(self):
        probe = socket.socket()
        probe.bind(("127.0.0.1", 0))
        self.port = probe.getsockname()[1]
        probe.close()
        self.sock = None
        self.accepted = 0
        self.thread = None

    def start(self):
        self.sock = socket.socket()
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.sock.bind(("127.0.0.1", self.port))
        self.sock.listen(16)
        self.sock.settimeout(0.2)
        sock = self.sock

        def serve():
            while self.sock is sock:
                try:
                    client, _ = sock.accept()
                except (socket.timeout, OSError):
                    continue
                self.accepted += 1
                client.close()

        self.thread = threading.Thread(target=serve, daemon=True)
        self.thread.start()

    def stop(self):
        sock, self.sock = self.sock, None
        self.thread.join(5)
        sock.close()


def pixel(path, x, y):
    out = run("convert", path, "-format", f"%[pixel:p{{{x},{y}}}]", "info:")
    return out.strip()


GREEN = "srgb(0,192,0)"
RED = "srgb(255,0,0)"


def light_colour(desktop, window):
    """The colour at the middle of the status light, from a screenshot."""
    geometry = run("xdotool", "getwindowgeometry", "--shell", str(window))
    values = dict(line.split("=") for line in geometry.split())
    # Light: frame at (4800, 360) twips, light inside it at (120, 240), 2415 x 2055.
    dpi = 96
    to_px = lambda twips: twips * dpi // 1440
    x = int(values["X"]) + to_px(4800 + 120 + 2415 // 2)
    y = int(values["Y"]) + to_px(360 + 240 + 2055 // 2)
    path = desktop.screenshot("light")
    return pixel(path, x, y).replace("rgb(", "srgb(").replace("ssrgb(", "srgb(")


def show_window(desktop, program):
    desktop.click_icon(3)
    time.sleep(1.0)
    desktop.screenshot("menu")
    desktop.key("d")
    return wait_for("the window", lambda: desktop.visible_windows(TITLE), 20)


def scenario_tray_cycle(desktop, program):
    wait_for("the tray icon", desktop.tray_icons, 60)
    assert not desktop.visible_windows(TITLE), "the program starts hidden"
    desktop.screenshot("started-icon-only")

    show_window(desktop, program)
    wait_for("the icon to go", lambda: not desktop.tray_icons(), 10)
    desktop.screenshot("window-shown-no-icon")

    # The focus starts on Minimize, so Space presses it.
    desktop.focus(desktop.visible_windows(TITLE)[0])
    desktop.key("space")
    wait_for("the window to hide", lambda: not desktop.visible_windows(TITLE), 10)
    wait_for("the icon to come back", desktop.tray_icons, 10)
    desktop.screenshot("minimized-icon-back")

    desktop.click_icon(3)
    time.sleep(1.0)
    desktop.screenshot("menu-again")
    desktop.key("c")
    wait_for("the program to end", program.ended, 20)
    assert program.process.returncode == 0, f"exit status {program.process.returncode}"
    wait_for("no icon left", lambda: not desktop.tray_icons(), 10)
    desktop.screenshot("closed-no-icon")


def scenario_status_light(desktop, program):
    listener = Listener()
    listener.start()
    # The timer starts with the form, just before its icon shows; the first tick comes 10 s
    # later. The loopback URL must be in place by then, so example.com is never probed.
    wait_for("the tray icon", desktop.tray_icons, 60)
    icon_seen = time.monotonic()
    print(f"icon showed {icon_seen - program.started:.1f} s after the start")
    window = show_window(desktop, program)[0]
    desktop.focus(window)
    # From Minimize: the check box, the logo, the text box. Type the URL, then go back and
    # tick the box.
    desktop.key("Tab", "Tab", "Tab", "ctrl+a", "BackSpace")
    run("xdotool", "type", "--delay", "10", f"http://127.0.0.1:{listener.port}/")
    desktop.key("shift+Tab", "shift+Tab", "space")
    typed_after = time.monotonic() - icon_seen
    print(f"URL typed and box ticked {typed_after:.1f} s after the icon showed")
    assert typed_after < 7, "too slow to beat the first tick"
    desktop.screenshot("url-typed-box-ticked")

    wait_for("a probe of the listener", lambda: listener.accepted > 0 or desktop.visible_windows(ALERT_TITLE), 15)
    print(f"first tick {time.monotonic() - program.started:.1f} s after the start")
    assert listener.accepted > 0, "the first tick found the listener unreachable"
    time.sleep(0.5)
    assert light_colour(desktop, window) == GREEN, "light after a reachable probe"
    assert not desktop.visible_windows(ALERT_TITLE)

    listener.stop()
    alert = wait_for("the offline alert", lambda: desktop.visible_windows(ALERT_TITLE), 15)
    print(f"alert {time.monotonic() - program.started:.1f} s after the start")
    assert len(alert) == 1, f"one alert box, found {alert}"
    desktop.screenshot("offline-alert")
    assert light_colour(desktop, window) == GREEN, "the light turns red only after OK"
    desktop.focus(alert[0])
    desktop.key("Return")
    wait_for("the alert to close", lambda: not desktop.visible_windows(ALERT_TITLE), 10)
    time.sleep(0.5)
    assert light_colour(desktop, window) == RED, "light after the alert"

    # Another failed tick: still red, and no second alert.
    time.sleep(10.5)
    assert not desktop.visible_windows(ALERT_TITLE), "a run of failures alerts once"
    assert light_colour(desktop, window) == RED

    # Back online: green again at the next tick.
    accepted = listener.accepted
    listener.start()
    wait_for("a probe of the listener", lambda: listener.accepted > accepted, 15)
    time.sleep(0.5)
    assert light_colour(desktop, window) == GREEN, "light after recovery"
    desktop.screenshot("back-online")

    desktop.press_close_box(window)
    wait_for("the program to end", program.ended, 20)


def scenario_close_box(desktop, program):
    window = show_window(desktop, program)[0]
    desktop.screenshot("before-close-box")
    desktop.press_close_box(window)
    wait_for("the program to end", program.ended, 20)
    assert program.process.returncode == 0
    assert not desktop.tray_icons(), "closing the shown window leaves no icon"
    desktop.screenshot("closed-by-close-box")


SCENARIOS = {
    "tray_cycle": scenario_tray_cycle,
    "status_light": scenario_status_light,
    "close_box": scenario_close_box,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=SCENARIOS)
    parser.add_argument("--root", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    in_own_network_namespace()

    with open(os.path.join(args.root, "wine", "display")) as f:
        os.environ["DISPLAY"] = f.read().strip()
    desktop = Desktop(os.path.join(args.shots, args.scenario))
    program = Program(args.root, args.exe)
    try:
        SCENARIOS[args.scenario](desktop, program)
    except Exception:
        desktop.screenshot("failure")
        raise
    finally:
        program.stop()
        stop_wine(args.root)
    print(f"{args.scenario}: passed")


if __name__ == "__main__":
    main()

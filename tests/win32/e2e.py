#!/usr/bin/env python3
"""Vedodud.exe end to end under Wine, on the wine_desktop fixture's display (wine-desktop: trayer
as the tray, no window manager), driven as a person would, in a network namespace of its own (see
tests/desktop). Scenarios that the Linux program also plays carry the same names there."""

import os
import subprocess
import sys

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from desktop.network import network_namespace  # noqa: E402
from desktop.scenario import ProgramScenario, main  # noqa: E402
from desktop.session import Desktop  # noqa: E402
from desktop.tray_scenarios import TrayScenarios  # noqa: E402
from desktop.waiting import wait_for  # noqa: E402

ROOT = os.environ.get("VEDODUD_WINE_ROOT", "")
EXE = os.environ.get("VEDODUD_PROGRAM", "")
SHOTS = os.environ.get("VEDODUD_SHOTS", "screenshots")
WINE_RUN = os.path.join(HERE, "..", "..", "cmake", "wine-run")
GUI_PREFIX = os.path.realpath(os.path.join(ROOT, "wine", "gui"))


def stop_wine():
    env = dict(os.environ, WINEPREFIX=GUI_PREFIX)
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=30)


def wine_server_namespaces():
    """Network namespaces of the Wine servers that serve the prefix."""
    spaces = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline, open(f"/proc/{pid}/environ", "rb") as environ:
                if b"wineserver" in cmdline.read() and f"WINEPREFIX={GUI_PREFIX}".encode() in environ.read().split(b"\0"):
                    spaces.append(network_namespace(pid))
        except OSError:
            continue
    return spaces


class WineScenario(ProgramScenario):
    window_class = "vedodud.exe"
    icon_class = "explorer.exe"  # Wine's explorer docks the icons of its programs
    start_timeout = 60  # a first start of Wine's server and explorer.exe
    alert_type = "NORMAL"  # Wine marks its message boxes as no dialog

    def setUp(self):
        self.desktop = Desktop.attach(os.path.join(ROOT, "wine"),
                                      os.path.join(SHOTS, self._testMethodName.removeprefix("test_")))

    def start_program(self):
        # Wine's server makes the sockets of its programs, so it must start in this network
        # namespace: no server may be left from before.
        stop_wine()
        self.addCleanup(stop_wine)
        self.program = subprocess.Popen([WINE_RUN, "--root", ROOT, "--gui", EXE], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.addCleanup(self.program.kill)
        servers = wait_for("Wine's server", wine_server_namespaces, 30)
        self.assertEqual(set(servers), {network_namespace()}, "Wine's server must share the test's network")


class WineTray(TrayScenarios, WineScenario):
    """Driven by the keyboard where that checks the focus and tab order: no window manager here."""

    def press_minimize(self, form):
        # The focus starts on Minimize, so Space presses it.
        self.desktop.focus(form)
        self.desktop.key("space")

    def set_url_and_tick(self, form, url):
        # From Minimize: the check box, the logo, the text box. Type the URL, then go back and
        # tick the box.
        self.desktop.focus(form)
        self.desktop.key("Tab", "Tab", "Tab", "ctrl+a", "BackSpace")
        self.desktop.type(url)
        self.desktop.key("shift+Tab", "shift+Tab", "space")


if __name__ == "__main__":
    main()

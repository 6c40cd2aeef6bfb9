#!/usr/bin/env python3
"""Vedodud.exe end to end under Wine, on the wine_desktop fixture's display (wine-desktop: trayer
as the tray, no window manager), driven as a person would, in a network namespace of its own (see
tests/desktop). Scenarios that the Linux program also plays carry the same names there."""

import os
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.realpath(__file__))
sys.path.insert(0, os.path.dirname(HERE))
from desktop.form import FORM_CAPTION, GREEN, RED, TICK  # noqa: E402
from desktop.network import LoopbackSite, network_namespace  # noqa: E402
from desktop.scenario import ProgramScenario, main  # noqa: E402
from desktop.session import Desktop  # noqa: E402
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
        self.started_at = time.monotonic()
        self.program = subprocess.Popen([WINE_RUN, "--root", ROOT, "--gui", EXE], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.addCleanup(self.program.kill)
        servers = wait_for("Wine's server", wine_server_namespaces, 30)
        self.assertEqual(set(servers), {network_namespace()}, "Wine's server must share the test's network")


class WineTray(WineScenario):
    def test_tray_cycle(self):
        d = self.desktop
        self.start_program()
        self.docked_icon()
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])  # the program starts hidden
        d.screenshot("started-icon-only")

        form = self.choose_do_stuff(shot="menu")
        self.no_docked_icon()
        d.screenshot("window-shown-no-icon")

        # The focus starts on Minimize, so Space presses it.
        d.focus(form)
        d.key("space")
        self.form_hidden()
        self.docked_icon()
        d.screenshot("minimized-icon-back")

        self.close_from_the_menu(self.open_tray_menu, "menu-again")
        self.no_docked_icon()
        d.screenshot("closed-no-icon")

    def test_one_alert(self):
        """Typed in before the first tick with the box ticked: green, one alert when the site goes,
        red after OK and no second alert, green again when it is back."""
        d = self.desktop
        site = LoopbackSite()
        site.start()
        self.addCleanup(site.stop)
        self.start_program()
        # The timer starts with the form, just before its icon shows; the first tick comes 10 s
        # later. The loopback URL must be in place by then.
        self.docked_icon()
        icon_seen = time.monotonic()
        print(f"icon showed {icon_seen - self.started_at:.1f} s after the start")
        form = self.choose_do_stuff(shot="menu")
        d.focus(form)
        # From Minimize: the check box, the logo, the text box. Type the URL, then go back and
        # tick the box.
        d.key("Tab", "Tab", "Tab", "ctrl+a", "BackSpace")
        d.type(site.url)
        d.key("shift+Tab", "shift+Tab", "space")
        typed_after = time.monotonic() - icon_seen
        print(f"URL typed and box ticked {typed_after:.1f} s after the icon showed")
        self.assertLess(typed_after, TICK - 3, "too slow to beat the first tick")
        d.screenshot("url-typed-box-ticked")

        wait_for("a probe of the site", lambda: site.accepted or self.alerts(), 1.5 * TICK)
        print(f"first tick {time.monotonic() - self.started_at:.1f} s after the start")
        self.assertGreater(site.accepted, 0, "the first tick found the site unreachable")
        time.sleep(0.5)
        self.assertEqual(self.light(form), GREEN, "light after a reachable probe")
        self.assertEqual(self.alerts(), [])

        site.stop()
        alert = wait_for("the offline alert", self.alerts, 1.5 * TICK)
        self.assertEqual(len(alert), 1)
        d.screenshot("offline-alert")
        self.assertEqual(self.light(form), GREEN, "the light turns red only after OK")
        d.focus(alert[0])
        d.key("Return")
        wait_for("the alert to close", lambda: not self.alerts(), 10)
        time.sleep(0.5)
        self.assertEqual(self.light(form), RED, "light after the alert")

        time.sleep(TICK + 0.5)  # another failed tick: still red, and no second alert
        self.assertEqual(self.alerts(), [], "a run of failures alerts once")
        self.assertEqual(self.light(form), RED)

        accepted = site.accepted
        site.start()
        wait_for("a probe of the site", lambda: site.accepted > accepted, 1.5 * TICK)
        time.sleep(0.5)
        self.assertEqual(self.light(form), GREEN, "light after recovery")
        d.screenshot("back-online")
        self.close_with_close_box(form)

    def test_close_box(self):
        self.start_program()
        form = self.choose_do_stuff(shot="menu")
        self.desktop.screenshot("before-close-box")
        self.close_with_close_box(form)
        self.assertEqual(self.desktop.tray_icons(self.icon_class), [], "closing the shown window leaves no icon")
        self.desktop.screenshot("closed-by-close-box")


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""The Linux program end to end: a real X server, a real tray host, driven like a person would.

Run inside a network namespace of its own, so that whatever URL the program probes (its default
one included) can only ever reach this namespace's loopback. Exits 77 (skipped) where no network
namespace can be made.
"""

import json
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Desktop, LoopbackSite, process_rss_kib, wait_for  # noqa: E402

PROGRAM = os.environ.get("VEDODUD_PROGRAM", "")
SCREEN_READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screen_reader.py")
SHOTS = os.environ.get("VEDODUD_SHOTS", "e2e-screenshots")

FORM_CAPTION = "Quillet - Dezorav Ovozeri"
APP_TITLE = "Dezorav Ovozeri"  # the tray icon's window and the message box carry it
TIP = "Shoutcast/Dezorav Ovozeri"
ITEM = "org.kde.StatusNotifierItem"
DBUS_MENU = "com.canonical.dbusmenu"
GREEN = (0, 192, 0)
RED = (255, 0, 0)
TICK = 10  # seconds between probes, as the program has it
MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE = 0x08, 0x10
MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x20, 0x40

# Client-area points, in pixels at 15 twips per pixel, taken from the window's layout.
MINIMIZE_BUTTON = ((5640 + 1695 // 2) // 15, (120 + 255 // 2) // 15)
CHECK_BOX_CAPTION = ((120 + 900) // 15, (120 + 375 // 2) // 15)
URL_BOX = ((2040 + 2655 // 2) // 15, (2280 + 405 // 2) // 15)
STATUS_LIGHT = ((4800 + 120 + 2415 // 2) // 15, (360 + 240 + 2055 // 2) // 15)


class Scenario(unittest.TestCase):
    tray = "trayer"
    wayland = False
    accessibility = False

    def setUp(self):
        self.assertTrue(os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")
        self.desktop = Desktop(os.path.join(SHOTS, self._testMethodName), tray=self.tray, wayland=self.wayland,
                               accessibility=self.accessibility)
        self.desktop.__enter__()
        self.addCleanup(self.desktop.stop)
        self.program = None

    # -- steps shared by the scenarios ---------------------------------------------------------
    def start_program(self):
        self.program = self.desktop.start_program(PROGRAM, wayland=self.wayland)
        self.started_at = time.monotonic()

    def before_first_tick(self):
        return time.monotonic() - self.started_at < TICK - 2

    def docked_icon(self, timeout=15):
        return wait_for(lambda: self.desktop.tray_icons(APP_TITLE), timeout, what="the tray icon")[0]

    def no_docked_icon(self, timeout=10):
        wait_for(lambda: not self.desktop.tray_icons(APP_TITLE), timeout, what="the tray icon to go")

    def hover_for_tooltip(self, icon):
        d = self.desktop
        d.xdotool("mousemove", 0, d.size[1] - 1)  # away first, so that no earlier tooltip counts
        wait_for(lambda: not d.tooltips(), 15, what="earlier tooltips to go")
        # Onto the icon in two moves, as a hand does: Qt shows no tooltip for a single jump into
        # an icon docked anew after a tooltip was shown on the one it replaced.
        d.xdotool("mousemove", icon["x"] + 2, icon["y"] + icon["h"] // 2)
        time.sleep(0.1)
        d.xdotool("mousemove", icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2)
        wait_for(d.tooltips, 10, what="the icon's tooltip")

    def form(self, timeout=10):
        return wait_for(lambda: self.desktop.visible_windows(FORM_CAPTION), timeout, what="the window")[0]

    def form_hidden(self, timeout=10):
        wait_for(lambda: not self.desktop.visible_windows(FORM_CAPTION), timeout, what="the window to hide")

    def open_tray_menu(self):
        self.desktop.right_click_icon(self.docked_icon())
        return wait_for(lambda: self.desktop.popup_menus(APP_TITLE), 10, what="the tray menu")[0]

    def choose_do_stuff(self):
        self.open_tray_menu()
        self.desktop.xdotool("key", "d")
        return self.form()

    def click_in_form(self, form, point):
        x, y = self.desktop.client_origin(form)
        self.desktop.click(x + point[0], y + point[1])

    def light(self, form):
        x, y = self.desktop.client_origin(form)
        return self.desktop.pixel(x + STATUS_LIGHT[0], y + STATUS_LIGHT[1])

    def wait_light(self, form, colour, timeout):
        wait_for(lambda: self.light(form) == colour, timeout, interval=0.5, what=f"the light to turn {colour}")

    def set_url(self, form, url):
        self.click_in_form(form, URL_BOX)
        self.desktop.xdotool("key", "ctrl+a")
        self.desktop.xdotool("type", "--delay", "20", url)

    def close_with_close_box(self, form):
        # What the close box does: the window manager asks the window to close.
        self.desktop.run("wmctrl", "-i", "-c", hex(form))

    def exit_status(self, timeout=15):
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end")

    # -- a StatusNotifierItem host -------------------------------------------------------------
    def status_notifier_item(self, timeout=15):
        return wait_for(lambda: self.desktop.status_notifier_items(), timeout, what="the item")[0]

    def no_status_notifier_item(self, timeout=10):
        wait_for(lambda: not self.desktop.status_notifier_items(), timeout, what="the item to go")

    def item_property(self, item, name):
        return self.desktop.bus_property(item[0], item[1], ITEM, name)

    def tooltip(self, item):
        return self.item_property(item, "ToolTip")[2]

    def open_host_menu(self):
        """Right-clicks the item in the panel, as a person does; the panel shows the menu."""
        self.desktop.right_click_icon(self.desktop.tray_panel())
        return wait_for(self.desktop.menus, 10, what="the panel's menu of the item")[0]

    def exported_menu(self, item):
        """The item's menu as the host reads it: (id, label or '-') of each entry."""
        menu = self.item_property(item, "Menu")
        self.assertIsNotNone(self.desktop.bus_call(item[0], menu, f"{DBUS_MENU}.AboutToShow", 0))
        _, (_, _, children) = self.desktop.bus_call(item[0], menu, f"{DBUS_MENU}.GetLayout", 0, -1, "@as []")
        return [(entry_id, "-" if props.get("type") == "separator" else props["label"])
                for entry_id, props, _ in children]

    def close_from_the_menu(self, open_menu, shot):
        """Opens the tray menu one way or another, looks, and chooses &Close by its access key."""
        open_menu()
        self.desktop.screenshot(shot)
        self.desktop.xdotool("key", "c")
        self.assertEqual(self.exit_status(), 0)

    def report_rss(self, when):
        rss = process_rss_kib(self.program.pid)
        print(f"RSS {when}: {rss} KiB", file=sys.stderr)


class TrayDesktop(Scenario):
    def test_tray_cycle(self):
        d = self.desktop
        self.start_program()
        icon = self.docked_icon()
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])
        d.screenshot("started-icon-docked-no-window")
        self.report_rss("at start")

        self.hover_for_tooltip(icon)
        d.screenshot("tooltip")

        self.open_tray_menu()
        d.screenshot("menu")
        d.xdotool("key", "d")
        form = self.form()
        self.no_docked_icon()
        self.assertEqual(d.client_size(form), (502, 188))
        # What the window asks of the window manager: a utility window with a close box only.
        self.assertIn("_NET_WM_WINDOW_TYPE_UTILITY", d.window_type(form))
        self.assertEqual(d.motif_decorations(form) & (MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE), 0)
        self.assertEqual(d.motif_functions(form) & (MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE), 0)
        d.screenshot("do-stuff-window-shown-icon-gone")
        self.report_rss("with the window shown")

        self.click_in_form(form, MINIMIZE_BUTTON)
        self.form_hidden()
        self.docked_icon()
        d.screenshot("minimized-icon-back")

        self.close_from_the_menu(self.open_tray_menu, "menu-again")
        self.no_docked_icon()
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])
        d.screenshot("closed-nothing-left")

    def test_icon_docks_again_when_the_tray_host_restarts(self):
        d = self.desktop
        self.start_program()
        self.hover_for_tooltip(self.docked_icon())
        d.screenshot("docked-with-tooltip")

        for restart in (1, 2):  # twice: the icon keeps following the tray host, not just once
            d.kill_tray()
            self.assertIsNone(self.program.poll())
            self.assertEqual(d.visible_windows(APP_TITLE), [])  # the icon not left lying on the desktop
            d.screenshot(f"tray-host-gone-{restart}")
            d.start_tray()
            icon = self.docked_icon()
            self.assertEqual(len(d.tray_icons(APP_TITLE)), 1)
            self.assertEqual(d.visible_windows(FORM_CAPTION), [])
            self.hover_for_tooltip(icon)
            d.screenshot(f"docked-again-with-tooltip-{restart}")

        self.close_from_the_menu(self.open_tray_menu, "menu-after-restart")
        self.no_docked_icon()
        d.screenshot("closed-nothing-left")

    def test_close_box_ends_the_program(self):
        self.start_program()
        form = self.choose_do_stuff()
        self.desktop.screenshot("window-shown")
        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)
        self.no_docked_icon()
        self.desktop.screenshot("closed")

    def test_light_follows_the_site_without_alert_when_unticked(self):
        d = self.desktop
        site = LoopbackSite()
        self.addCleanup(site.stop)
        self.start_program()
        form = self.choose_do_stuff()
        if self.before_first_tick():  # only then can the light not have changed yet
            self.assertEqual(self.light(form), GREEN)
        self.set_url(form, site.url)  # nothing listens yet
        d.screenshot("url-set-light-initially-green")

        self.wait_light(form, RED, 2.5 * TICK)
        self.assertEqual(d.dialogs(APP_TITLE), [])
        d.screenshot("site-down-red-no-alert")
        site.start()
        self.wait_light(form, GREEN, 2.5 * TICK)
        d.screenshot("site-up-green")
        site.stop()
        self.wait_light(form, RED, 2.5 * TICK)
        self.assertEqual(d.dialogs(APP_TITLE), [])
        d.screenshot("site-down-again-red-no-alert")

        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)

    def test_alert_when_the_site_goes_offline(self):
        d = self.desktop
        site = LoopbackSite()
        self.addCleanup(site.stop)
        self.start_program()
        form = self.choose_do_stuff()
        self.set_url(form, site.url)
        self.wait_light(form, RED, 2.5 * TICK)  # a probe has run: the light now follows the site
        site.start()
        self.wait_light(form, GREEN, 2.5 * TICK)
        self.click_in_form(form, CHECK_BOX_CAPTION)
        d.screenshot("ticked-green")

        site.stop()
        box = wait_for(lambda: d.dialogs(APP_TITLE), 2.5 * TICK, what="the alert")[0]
        d.screenshot("alert-open-light-still-green")
        self.assertEqual(self.light(form), GREEN)
        time.sleep(TICK + 2)  # another failing tick passes while the box is open
        self.assertEqual(len(d.dialogs(APP_TITLE)), 1)
        self.assertEqual(self.light(form), GREEN)

        d.xdotool("windowactivate", "--sync", box)
        d.xdotool("key", "Return")
        wait_for(lambda: not d.dialogs(APP_TITLE), 10, what="the alert to close")
        self.wait_light(form, RED, 5)
        d.screenshot("after-ok-red")
        time.sleep(TICK + 2)  # further failures raise no second alert
        self.assertEqual(d.dialogs(APP_TITLE), [])

        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)


class StatusNotifierTray(Scenario):
    """xfce4-panel: the icon is a StatusNotifierItem, and the panel shows the menu the item exports."""
    tray = "xfce4-panel"

    def test_menu_and_tray_cycle(self):
        d = self.desktop
        self.start_program()
        item = self.status_notifier_item()
        self.assertEqual(self.tooltip(item), TIP)
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])
        d.screenshot("started-item-in-panel")
        for button, click in ((1, "left"), (2, "middle")):
            d.click_icon(d.tray_panel(), button)
            time.sleep(0.7)  # what a click would show is up by then
            self.assertEqual((d.visible_windows(FORM_CAPTION), d.menus()), ([], []))
            d.screenshot(f"{click}-click-shows-nothing")

        self.open_host_menu()
        d.screenshot("menu")
        d.xdotool("key", "d")
        self.form()
        self.no_status_notifier_item()
        d.screenshot("do-stuff-window-shown-item-gone")

        self.click_in_form(self.form(), MINIMIZE_BUTTON)
        self.form_hidden()
        self.assertEqual(self.tooltip(self.status_notifier_item()), "")  # back without its tooltip
        self.close_from_the_menu(self.open_host_menu, "menu-again")
        self.no_status_notifier_item()
        d.screenshot("closed-nothing-left")

    def test_context_menu_called_over_the_bus_pops_up_at_the_pointer(self):
        d = self.desktop
        self.start_program()
        name, path = self.status_notifier_item()
        d.xdotool("mousemove", 400, 300)
        self.assertEqual(d.bus_call(name, path, f"{ITEM}.ContextMenu", 400, 300), ())
        menu = wait_for(lambda: d.popup_menus(APP_TITLE), 10, what="the program's menu")[0]
        x, y = d.client_origin(menu)
        self.assertLess(abs(x - 400) + abs(y - 300), 20)
        d.screenshot("context-menu-at-pointer")
        d.xdotool("key", "d")
        self.close_with_close_box(self.form())
        self.assertEqual(self.exit_status(), 0)

    def test_panel_started_after_the_program(self):
        d = self.desktop
        d.kill_tray()
        self.start_program()
        self.form()  # nowhere to hide yet: the window opens
        d.screenshot("no-panel-window-shown")
        d.start_tray()
        self.docked_icon()  # on X11 the icon docks as an XEmbed icon, which the status tray hosts too
        self.click_in_form(self.form(), MINIMIZE_BUTTON)
        self.form_hidden()
        d.screenshot("panel-arrived-minimized-into-it")
        self.open_tray_menu()
        d.screenshot("menu")
        d.xdotool("key", "d")
        form = self.form()
        self.assertIn("_NET_WM_WINDOW_TYPE_UTILITY", d.window_type(form))  # a tool window now
        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)

    def test_item_registers_again_when_the_panel_restarts(self):
        d = self.desktop
        self.start_program()
        self.status_notifier_item()
        d.kill_tray()
        self.assertIsNone(self.program.poll())
        d.start_tray()
        self.assertEqual(self.tooltip(self.status_notifier_item()), TIP)
        d.screenshot("panel-restarted-item-back")
        self.close_from_the_menu(self.open_host_menu, "menu-after-restart")


class WaylandSession(Scenario):
    """The program on Qt's Wayland platform under a headless compositor, the panel's host on the bus."""
    tray = "xfce4-panel"
    wayland = True

    def test_exported_menu_closes_the_program(self):
        self.start_program()
        item = self.status_notifier_item()
        self.assertEqual(self.tooltip(item), TIP)
        entries = self.exported_menu(item)
        self.assertEqual([label for _, label in entries], ["_Do Stuff...", "-", "_Close"])
        close = entries[2][0]
        self.desktop.bus_call(item[0], self.item_property(item, "Menu"), f"{DBUS_MENU}.Event", close, "clicked",
                              "<0>", 0)
        self.assertEqual(self.exit_status(), 0)
        self.assertNotIn("qt.qpa", self.desktop.program_log())


class ScreenReader(Scenario):
    """The window as AT-SPI tells it, and the light's change announced after a failed probe."""
    tray = "xfce4-panel"
    accessibility = True

    def test_names_roles_and_the_light_going_offline(self):
        d = self.desktop
        self.start_program()
        self.status_notifier_item()
        self.open_host_menu()
        d.xdotool("key", "d")
        form = self.form()
        # The first probe, at 10 s, fails: this namespace reaches no name server.
        told = json.loads(d.run("/usr/bin/python3", SCREEN_READER, "--caption", FORM_CAPTION, "--wait", str(2 * TICK)))
        d.screenshot("offline-announced")
        self.assertEqual(told["window"]["role"], "frame")
        self.assertEqual((told["url_box"]["name"], told["url_box"]["labelled_by"]), ("Url to Check", ["Url to Check"]))
        self.assertEqual(told["logo"]["name"], f"{APP_TITLE} logo")
        self.assertEqual((told["light"]["name"], told["light"]["description"]), ("Status", "online"))
        self.assertEqual(told["announced"], ["offline"])
        self.assertEqual(self.light(form), RED)
        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)


class DesktopWithoutTray(Scenario):
    tray = None

    def test_window_shows_at_start_and_minimize_keeps_it_reachable(self):
        d = self.desktop
        self.start_program()
        form = self.form()
        d.screenshot("no-tray-window-shown")
        self.click_in_form(form, MINIMIZE_BUTTON)
        self.form_hidden()
        d.screenshot("minimized")
        self.assertIsNone(self.program.poll())
        d.run("wmctrl", "-i", "-a", hex(form))  # back from the taskbar
        form = self.form()
        d.screenshot("restored")
        self.close_with_close_box(form)
        self.assertEqual(self.exit_status(), 0)


def in_own_network_namespace():
    """Re-runs this script in a fresh network namespace with only loopback; returns its status."""
    if os.environ.get("VEDODUD_E2E_NETNS") == "1":
        subprocess.run(["ip", "link", "set", "lo", "up"], check=True)
        return None
    env = dict(os.environ, VEDODUD_E2E_NETNS="1")
    probe = subprocess.run(["unshare", "--net", "true"], capture_output=True)
    if probe.returncode != 0:
        print("skipped: cannot make a network namespace to keep the program's probes on loopback",
              file=sys.stderr)
        return 77
    from desktop import _die_with_parent
    return subprocess.run(["unshare", "--net", sys.executable, *sys.argv], env=env,
                          preexec_fn=_die_with_parent).returncode


if __name__ == "__main__":
    status = in_own_network_namespace()
    if status is not None:
        sys.exit(status)
    unittest.main(verbosity=2)

#!/usr/bin/env python3
"""The Linux program end to end: a real X server, a real tray host, driven like a person would, in
a network namespace of its own (see tests/desktop)."""

import json
import os
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop.form import APP_TITLE, FORM_CAPTION, GREEN, RED, TICK, TIP  # noqa: E402
from desktop.legibility import (BARE_FORM, CHECK1, FRAME1_CAPTION, LABEL1, background_of, check_caption,  # noqa: E402
                                luminance, read_pixels)
from desktop.scenario import ProgramScenario, main  # noqa: E402
from desktop.bus import WATCHER  # noqa: E402
from desktop.gnome import dropped_items, shell_read_menu_of, watch_menu_reads  # noqa: E402
from desktop.screen import Screen  # noqa: E402
from desktop.session import Desktop  # noqa: E402
from desktop.tray_scenarios import TrayScenarios  # noqa: E402
from desktop.waiting import wait_for  # noqa: E402

PROGRAM = os.environ.get("VEDODUD_PROGRAM", "")
SCREEN_READER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "screen_reader.py")
SHOTS = os.environ.get("VEDODUD_SHOTS", "e2e-screenshots")

ITEM = "org.kde.StatusNotifierItem"
MENU = ["_Do Stuff...", "-", "_Close"]
GRACE = 5  # how long the program waits for a panel before it opens its window
DBUS_MENU = "com.canonical.dbusmenu"
MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE = 0x08, 0x10
MWM_DECOR_MINIMIZE, MWM_DECOR_MAXIMIZE = 0x20, 0x40
# Presses the item of that name in the program's popup menu as it shows, as a screen reader does,
# after printing the menu's size and reading a line.
PRESS_IN_MENU = """
import sys, pyatspi
def press(menu):
    for item in menu:
        if item is not None and item.name == sys.argv[1]:
            print(*menu.queryComponent().getSize(), flush=True)
            sys.stdin.readline()
            item.queryAction().doAction(0)
            pyatspi.Registry.stop()
pyatspi.Registry.registerEventListener(lambda event: press(event.source), "object:state-changed:showing")
print("listening", file=sys.stderr, flush=True)
pyatspi.Registry.start()
"""


class Scenario(ProgramScenario):
    window_class = icon_class = "vedodud"
    tray = "trayer"
    wayland = False
    accessibility = False
    watcher = None
    window_manager = True

    def setUp(self):
        self.assertTrue(os.access(PROGRAM, os.X_OK), f"no program at {PROGRAM!r}")
        shots = os.path.join(SHOTS, self._testMethodName.removeprefix("test_"))
        self.desktop = Desktop(os.path.join(shots, "logs"), shots, tray=self.tray, wayland=self.wayland,
                               accessibility=self.accessibility, watcher=self.watcher,
                               window_manager=self.window_manager)
        self.desktop.__enter__()
        self.addCleanup(self.desktop.stop)
        self.program = None

    # -- steps shared by the scenarios ---------------------------------------------------------
    def start_program(self, style=None):
        changes = {"QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"} if self.accessibility else {}
        if style:
            changes["QT_STYLE_OVERRIDE"] = style
        if self.wayland:
            changes.update(WAYLAND_DISPLAY=self.desktop.wayland_display, QT_QPA_PLATFORM="wayland", DISPLAY=None)
        self.program = self.desktop.start_program([PROGRAM], changes)
        self.started_at = time.monotonic()

    def before_first_tick(self):
        return time.monotonic() - self.started_at < TICK - 2

    def hover_for_tooltip(self, icon):
        d = self.desktop
        d.xdotool("mousemove", 0, d.size[1] - 1)  # away first, so that no earlier tooltip counts
        wait_for("earlier tooltips to go", lambda: not d.tooltips(self.window_class), 15)
        # Onto the icon in two moves, as a hand does: Qt shows no tooltip for a single jump into
        # an icon docked anew after a tooltip was shown on the one it replaced.
        d.xdotool("mousemove", icon["x"] + 2, icon["y"] + icon["h"] // 2)
        time.sleep(0.1)
        d.xdotool("mousemove", icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2)
        wait_for("the icon's tooltip", lambda: d.tooltips(self.window_class), 10)

    # -- a StatusNotifierItem host -------------------------------------------------------------
    def status_notifier_item(self, timeout=15):
        return wait_for("the item", self.desktop.bus.status_notifier_items, timeout)[0]

    def no_status_notifier_item(self, timeout=10):
        wait_for("the item to go", lambda: not self.desktop.bus.status_notifier_items(), timeout)

    def item_property(self, item, name):
        return self.desktop.bus.property(item[0], item[1], ITEM, name)

    def tooltip(self, item):
        return self.item_property(item, "ToolTip")[2]

    def open_host_menu(self):
        """Right-clicks the item in the panel, as a person does; the panel shows the menu."""
        self.desktop.click_middle(self.desktop.tray_panel(), button=3)
        return wait_for("the panel's menu of the item", self.desktop.menus, 10)[0]

    def exported_menu(self, item):
        """The item's menu as the host reads it: (id, label or '-') of each entry."""
        bus, menu = self.desktop.bus, self.item_property(item, "Menu")
        self.assertIsNotNone(bus.call(item[0], menu, f"{DBUS_MENU}.AboutToShow", 0))
        _, (_, _, children) = bus.call(item[0], menu, f"{DBUS_MENU}.GetLayout", 0, -1, "@as []")
        return [(entry_id, "-" if props.get("type") == "separator" else props["label"])
                for entry_id, props, _ in children]

    def choose_in_exported_menu(self, item, label):
        """Chooses an entry of the item's exported menu as a host does when the user clicks it."""
        entry = next(entry_id for entry_id, shown in self.exported_menu(item) if shown == label)
        self.desktop.bus.call(item[0], self.item_property(item, "Menu"), f"{DBUS_MENU}.Event", entry, "clicked",
                              "<0>", 0)

    def panel_after_program(self):
        """At login the panel starts after the program; it ends as if the panel had been there first:
        the item with its tooltip and exported menu, and no window."""
        d = self.desktop
        d.kill_tray()
        self.start_program()
        wait_for("the program on the bus", lambda: d.bus.connections_of(self.program.pid), 10)
        d.start_tray()
        item = self.status_notifier_item()
        self.assertEqual(self.tooltip(item), TIP)
        self.assertEqual([label for _, label in self.exported_menu(item)], MENU)
        time.sleep(max(0.0, self.started_at + GRACE + 1 - time.monotonic()))
        d.screenshot("panel-after-program-no-window")
        return item

    def report_rss(self, when):
        with open(f"/proc/{self.program.pid}/status") as status:
            rss = next(line.split()[1] for line in status if line.startswith("VmRSS:"))
        print(f"RSS {when}: {rss} KiB", file=sys.stderr)


class TrayDesktop(TrayScenarios, Scenario):
    def look_at_docked_icon(self, icon):
        self.report_rss("at start")
        self.hover_for_tooltip(icon)
        self.desktop.screenshot("tooltip")

    def look_at_shown_window(self, form):
        d = self.desktop
        self.assertEqual(d.geometry(form)[2:], (502, 188))
        # What the window asks of the window manager: a utility window with a close box only.
        self.assertIn("_NET_WM_WINDOW_TYPE_UTILITY", d.window_type(form))
        functions, decorations = d.motif_hints(form)
        self.assertEqual(decorations & (MWM_DECOR_MINIMIZE | MWM_DECOR_MAXIMIZE), 0)
        self.assertEqual(functions & (MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE), 0)
        self.report_rss("with the window shown")

    def test_tray_host_restarts(self):
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
            self.assertEqual(len(d.tray_icons(self.icon_class)), 1)
            self.assertEqual(d.visible_windows(FORM_CAPTION), [])
            self.hover_for_tooltip(icon)
            d.screenshot(f"docked-again-with-tooltip-{restart}")

        self.close_from_the_menu(self.open_tray_menu, "menu-after-restart")
        self.no_docked_icon()
        d.screenshot("closed-nothing-left")

    def test_light_follows_site(self):
        """With the box unticked the light follows the site both ways and no alert comes."""
        d = self.desktop
        site = self.loopback_site()
        self.start_program()
        form = self.choose_do_stuff()
        if self.before_first_tick():  # only then can the light not have changed yet
            self.assertEqual(self.light(form), GREEN)
        self.set_url(form, site.url)  # nothing listens yet
        d.screenshot("url-set-light-initially-green")

        self.wait_light(form, RED, 2.5 * TICK)
        self.assertEqual(self.alerts(), [])
        d.screenshot("site-down-red-no-alert")
        site.start()
        self.wait_light(form, GREEN, 2.5 * TICK)
        d.screenshot("site-up-green")
        site.stop()
        self.wait_light(form, RED, 2.5 * TICK)
        self.assertEqual(self.alerts(), [])
        d.screenshot("site-down-again-red-no-alert")
        self.close_with_close_box(form)


class Tint2Tray(Scenario):
    """tint2's default panel: dark and translucent, an XEmbed tray that names no visual with alpha."""
    tray = "tint2"

    def test_tint2_icon_shows_panel(self):
        d = self.desktop
        self.start_program()
        icon = self.docked_icon()
        x, y, right, bottom = icon["x"], icon["y"], icon["x"] + icon["w"] - 1, icon["y"] + icon["h"] - 1

        def blends():
            # The round icon's transparent corners (the lower left holds an arrow) against the panel
            # just left of the icon in the same row; its middle is drawn.
            corners = [(d.pixel(cx, cy), d.pixel(x - 2, cy)) for cx, cy in ((x, y), (right, y), (right, bottom))]
            middle = d.pixel(x + icon["w"] // 2, y + icon["h"] // 2)
            return all(corner == panel for corner, panel in corners) and middle != corners[0][1]

        wait_for("the icon's corners to show the panel", blends, 10)
        d.screenshot("icon-in-dark-panel")
        self.close_from_the_menu(self.open_tray_menu, "menu")


class StatusNotifierTray(Scenario):
    """xfce4-panel: the icon is a StatusNotifierItem, and the panel shows the menu the item exports."""
    tray = "xfce4-panel"

    def test_sni_tray_cycle(self):
        d = self.desktop
        self.start_program()
        item = self.status_notifier_item()
        self.assertEqual(self.tooltip(item), TIP)
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])
        d.screenshot("started-item-in-panel")
        for button, click in ((1, "left"), (2, "middle")):
            d.click_middle(d.tray_panel(), button)
            time.sleep(0.7)  # what a click would show is up by then
            self.assertEqual((d.visible_windows(FORM_CAPTION), d.menus()), ([], []))
            d.screenshot(f"{click}-click-shows-nothing")

        self.open_host_menu()
        d.screenshot("menu")
        d.key("d")
        self.form()
        self.no_status_notifier_item()
        d.screenshot("do-stuff-window-shown-item-gone")

        self.press_minimize(self.form())
        self.form_hidden()
        self.assertEqual(self.tooltip(self.status_notifier_item()), "")  # back without its tooltip
        for _ in range(2):  # more rounds leave no item of an earlier one behind
            self.choose_in_exported_menu(self.status_notifier_item(), MENU[0])
            self.no_status_notifier_item()
            self.press_minimize(self.form())
            self.form_hidden()
        wait_for("one item", lambda: len(d.bus.status_notifier_items()) == 1, 10)
        time.sleep(1)
        self.assertEqual(len(d.bus.status_notifier_items()), 1)
        self.close_from_the_menu(self.open_host_menu, "menu-again")
        self.no_status_notifier_item()
        d.screenshot("closed-nothing-left")

    def test_sni_context_menu_at_pointer(self):
        """ContextMenu called over the bus pops the program's own menu up at the pointer."""
        d = self.desktop
        self.start_program()
        name, path = self.status_notifier_item()
        d.xdotool("mousemove", 400, 300)
        self.assertEqual(d.bus.call(name, path, f"{ITEM}.ContextMenu", 400, 300), ())
        menu = wait_for("the program's menu", lambda: d.popup_menus(self.window_class), 10)[0]
        x, y, _, _ = d.geometry(menu)
        self.assertLess(abs(x - 400) + abs(y - 300), 20)
        d.screenshot("context-menu-at-pointer")
        d.key("d")
        self.close_with_close_box(self.form())

    def test_sni_panel_after_program(self):
        self.panel_after_program()
        self.assertEqual(self.desktop.visible_windows(FORM_CAPTION), [])
        self.close_from_the_menu(self.open_host_menu, "menu")

    def test_sni_host_restarts(self):
        d = self.desktop
        self.start_program()
        self.status_notifier_item()
        d.kill_tray()
        self.assertIsNone(self.program.poll())
        d.start_tray()
        self.assertEqual(self.tooltip(self.status_notifier_item()), TIP)
        d.screenshot("panel-restarted-item-back")
        self.close_from_the_menu(self.open_host_menu, "menu-after-restart")


class GnomeShell(Scenario):
    """GNOME Shell with its AppIndicator extension, which drops an item it watches by a well-known
    name when the item answers before the watch has started."""
    tray = "gnome-shell"
    window_manager = False

    def test_gnome_keeps_the_icon(self):
        d = self.desktop
        watch_menu_reads(d)
        for start in range(1, 6):
            dropped = dropped_items(d)
            self.start_program()
            item = self.status_notifier_item()
            wait_for("the extension to show or drop the item",
                     lambda: shell_read_menu_of(d, item[0]) or dropped_items(d) > dropped, 30)
            self.assertEqual((d.bus.status_notifier_items(), dropped_items(d)), ([item], dropped), f"start {start}")
            if start == 1:
                d.screenshot("icon-in-top-bar")
            self.choose_in_exported_menu(item, MENU[2])
            self.assertEqual(self.exit_status(), 0)
            self.no_status_notifier_item()


class WaylandSession(Scenario):
    """The program under a headless compositor that, like GNOME's, leaves title bars to its clients
    (weston, with XWayland), the panel's host on the bus; AT-SPI acts where a hand would."""
    tray = "xfce4-panel"
    wayland = True
    accessibility = True

    def setUp(self):
        home = os.path.join(SHOTS, self._testMethodName.removeprefix("test_"), "logs", "home")
        os.makedirs(os.path.join(home, ".config"), exist_ok=True)
        with open(os.path.join(home, ".config", "weston.ini"), "w") as ini:
            ini.write("[core]\nxwayland=true\n")
        super().setUp()

    def start_at_login(self, desktop):
        """As a Wayland session's login starts it: XWayland at hand, no platform chosen by the user.
        Returns the platform Qt loaded."""
        d = self.desktop
        self.xwayland = wait_for("XWayland", lambda: re.findall(r"listening on display (:\d+)",
                                                               d.program_log("weston")), 10)[0]
        self.program = d.start_program([PROGRAM], dict(
            WAYLAND_DISPLAY=d.wayland_display, DISPLAY=self.xwayland, QT_QPA_PLATFORM=None, XDG_SESSION_TYPE="wayland",
            XDG_CURRENT_DESKTOP=desktop, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"))
        self.status_notifier_item()
        with open(f"/proc/{self.program.pid}/maps") as maps:
            return re.search(r"libq(xcb|wayland)", maps.read()).group(1)

    def on_weston(self, *argv):
        return Screen({**self.desktop.env, "WAYLAND_DISPLAY": self.desktop.wayland_display}, None, False).run(*argv)

    def compositor_shot(self, step):
        shot = os.path.abspath(self.desktop.screenshot(step))  # named in turn, then replaced
        self.on_weston("sh", "-c", 'cd "${1%/*}" && weston-screenshooter && mv wayland-screenshot*.png "$1"', "-", shot)

    def test_wayland_exported_menu(self):
        self.start_program()
        item = self.status_notifier_item()
        self.assertEqual(self.tooltip(item), TIP)
        self.assertEqual([label for _, label in self.exported_menu(item)], MENU)
        self.choose_in_exported_menu(item, MENU[2])
        self.assertEqual(self.exit_status(), 0)
        self.assertNotIn("qt.qpa", self.desktop.program_log("vedodud"))

    def test_wayland_context_menu(self):
        """Outside GNOME the program stays on Wayland; a host's ContextMenu call opens its menu with
        no title bar around it (its surface is the menu alone), and Close ends the program."""
        self.assertEqual(self.start_at_login("KDE"), "wayland")
        name, path = self.status_notifier_item()
        presser = subprocess.Popen(["/usr/bin/python3", "-c", PRESS_IN_MENU, "Close"], env=self.desktop.env,
                                   text=True, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        presser.stderr.readline()
        self.assertEqual(self.desktop.bus.call(name, path, f"{ITEM}.ContextMenu", 400, 300), ())
        menu = tuple(int(n) for n in presser.stdout.readline().split())
        views = re.findall(rf"PID {self.program.pid},.*\n.*\((\d+), (\d+)\) -> \((\d+), (\d+)\)",
                           self.on_weston("weston-debug", "scene-graph"))
        self.assertEqual([(int(x2) - int(x1), int(y2) - int(y1)) for x1, y1, x2, y2 in views], [menu])
        self.compositor_shot("context-menu")
        presser.communicate("\n", timeout=30)
        self.assertEqual(self.exit_status(), 0)

    def test_wayland_gnome_title_bars(self):
        """On GNOME the program runs on XWayland, where the compositor draws the title bars."""
        self.assertEqual(self.start_at_login("ubuntu:GNOME"), "xcb")
        self.choose_in_exported_menu(self.status_notifier_item(), MENU[0])
        xwayland = Screen({**self.desktop.env, "DISPLAY": self.xwayland}, None, False)
        (form,) = wait_for("the window on XWayland", lambda: xwayland.visible_windows(FORM_CAPTION), 10)
        self.compositor_shot("window")
        # The compositor's frame around the window: a title bar above it, taller than the borders.
        frame = int(re.search(r"Parent window id: (0x[0-9a-f]+)", xwayland.run("xwininfo", "-children", "-id", form))
                    .group(1), 16)
        (x, y, w, h), (fx, fy, fw, fh) = xwayland.geometry(form), xwayland.geometry(frame)
        top, sides, bottom = y - fy, (x - fx, fx + fw - x - w), fy + fh - y - h
        self.assertGreater(top, max(*sides, bottom) + 10, f"no title bar: frame {top} above, {sides} beside, "
                                                          f"{bottom} below")

    def test_wayland_panel_after_program(self):
        self.panel_after_program()
        self.close_from_the_menu(self.open_host_menu, "menu")


class WatcherWithoutHost(Scenario):
    """A watcher that has no host yet, as KDE's in the moments before its panel registers."""
    tray = None
    watcher = "no-host"

    def test_watcher_without_host_then_host(self):
        d = self.desktop
        self.start_program()
        item = self.status_notifier_item()
        told = lambda: any(f"told {name} that no host" in d.program_log("watcher")  # noqa: E731
                           for name in d.bus.connections_of(self.program.pid))
        wait_for("the watcher to tell the program there is no host", told, 10)
        d.bus.call(*WATCHER, f"{WATCHER[0]}.RegisterStatusNotifierHost", "org.kde.StatusNotifierHost-test")
        self.assertEqual([label for _, label in self.exported_menu(item)], MENU)
        time.sleep(max(0.0, self.started_at + GRACE + 1 - time.monotonic()))
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])  # a host came in time: no window


class HungWatcher(Scenario):
    """A panel that owns the watcher's name and never answers changes nothing the user sees."""
    watcher = "hung"

    def test_hung_watcher_beside_trayer(self):
        self.start_program()
        self.docked_icon()
        self.assertEqual(self.desktop.visible_windows(FORM_CAPTION), [])
        self.desktop.screenshot("hung-watcher-icon-docked")
        self.close_from_the_menu(self.open_tray_menu, "menu")


class HungTray(Scenario):
    def test_hung_tray(self):
        """A tray that owns the selection and never takes the icon is given up on: the window shows."""
        self.desktop.hang_tray()
        self.start_program()
        form = self.form(timeout=40)
        self.desktop.screenshot("hung-tray-window-shown")
        self.close_with_close_box(form)


class HungWatcherWithoutTray(Scenario):
    tray = None
    watcher = "hung"

    def test_hung_watcher_no_tray(self):
        self.start_program()
        form = self.form()  # after the grace period
        self.desktop.screenshot("hung-watcher-window-shown")
        self.close_with_close_box(form)


class ScreenReader(Scenario):
    """The window as AT-SPI tells it, and the light's change announced after a failed probe."""
    tray = "xfce4-panel"
    accessibility = True

    def test_screen_reader(self):
        d = self.desktop
        self.start_program()
        self.status_notifier_item()
        self.open_host_menu()
        d.key("d")
        form = self.form()
        # The first probe, at 10 s, fails: this namespace reaches no name server.
        told = json.loads(d.run("/usr/bin/python3", SCREEN_READER, "--caption", FORM_CAPTION, "--wait", 2 * TICK))
        d.screenshot("offline-announced")
        self.assertEqual(told["window"]["role"], "frame")
        self.assertEqual((told["url_box"]["name"], told["url_box"]["labelled_by"]), ("Url to Check", ["Url to Check"]))
        self.assertEqual(told["logo"]["name"], f"{APP_TITLE} logo")
        self.assertEqual((told["light"]["name"], told["light"]["description"]), ("Status", "online"))
        self.assertEqual(told["announced"], ["offline"])
        self.assertEqual(self.light(form), RED)
        self.close_with_close_box(form)


class DesktopWithoutTray(Scenario):
    tray = None

    def test_no_tray(self):
        """The window shows at start, and Minimize leaves it reachable from the taskbar."""
        d = self.desktop
        self.start_program()
        form = self.form()
        d.screenshot("no-tray-window-shown")
        self.press_minimize(form)
        self.form_hidden()
        d.screenshot("minimized")
        self.assertIsNone(self.program.poll())
        d.run("wmctrl", "-i", "-a", hex(form))  # back from the taskbar
        form = self.form()
        d.screenshot("restored")
        self.close_with_close_box(form)


class DarkScheme(Scenario):
    """Under a dark style, as GNOME users set it, the window is dark and every caption reads on it."""
    tray = None

    def test_dark_scheme(self):
        d = self.desktop
        self.start_program(style="Adwaita-Dark")
        form = self.form()
        window = self.client_area(form)
        d.xdotool("mousemove", 0, 0)  # no control hot
        time.sleep(0.5)
        path = d.screenshot("dark-scheme")
        background = background_of(read_pixels(path, *window.box((*BARE_FORM, 15, 15))))
        self.assertLess(luminance(background), 0.1, f"form background {background}")
        check_caption("Label1", path, window.box(LABEL1), background)
        check_caption("Check1", path, window.box(CHECK1), background, skip_left=window.px(16 * 15))
        check_caption("Frame1", path, window.box(FRAME1_CAPTION), background, inner_edges=False)
        self.close_with_close_box(form)


if __name__ == "__main__":
    main()

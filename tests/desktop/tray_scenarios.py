"""The scenarios both programs play alike in a tray, written once; what a backend's program shows
beyond them its suite adds in look_at_docked_icon and look_at_shown_window."""

import time

from .form import FORM_CAPTION, GREEN, RED, TICK
from .waiting import wait_for


class TrayScenarios:
    """Mixed into a backend's ProgramScenario whose desktop has a tray."""

    def look_at_docked_icon(self, icon):
        pass

    def look_at_shown_window(self, form):
        pass

    def wait_for_light(self, form, colour):
        """The light turns after the probe's verdict is in; a loaded machine may take a while."""
        wait_for(f"the light to turn {colour}", lambda: self.light(form) == colour, 5)

    def test_tray_cycle(self):
        d = self.desktop
        self.start_program()
        icon = self.docked_icon()
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])  # the program starts hidden
        d.screenshot("started-icon-docked-no-window")
        self.look_at_docked_icon(icon)

        form = self.choose_do_stuff(shot="menu")
        self.no_docked_icon()
        self.look_at_shown_window(form)
        d.screenshot("do-stuff-window-shown-icon-gone")

        self.press_minimize(form)
        self.form_hidden()
        self.docked_icon()
        d.screenshot("minimized-icon-back")

        self.close_from_the_menu(self.open_tray_menu, "menu-again")
        self.no_docked_icon()
        self.assertEqual(d.visible_windows(FORM_CAPTION), [])
        d.screenshot("closed-nothing-left")

    def test_close_box(self):
        self.start_program()
        form = self.choose_do_stuff()
        self.desktop.screenshot("window-shown")
        self.close_with_close_box(form)
        self.no_docked_icon(timeout=2)  # closing the shown window leaves no icon
        self.desktop.screenshot("closed")

    def test_one_alert(self):
        """With the box ticked: green while the site answers; one alert when it goes, the light
        still green while the alert is open, also through another failing tick; red after OK and
        no second alert; green again when the site is back."""
        d = self.desktop
        site = self.loopback_site()
        site.start()
        self.start_program()
        # The timer starts with the window, just before the icon shows; the first tick comes 10 s
        # later. The loopback URL must be in place by then, or the default one fails and alerts.
        self.docked_icon()
        icon_seen = time.monotonic()
        form = self.choose_do_stuff()
        self.set_url_and_tick(form, site.url)
        self.assertLess(time.monotonic() - icon_seen, TICK - 1, "too slow to beat the first tick")
        d.screenshot("url-set-box-ticked")
        wait_for("a probe of the site", lambda: site.accepted or self.alerts(), 1.5 * TICK)
        self.assertGreater(site.accepted, 0, "the first tick found the site unreachable")
        self.wait_for_light(form, GREEN)
        self.assertEqual(self.alerts(), [])

        site.stop()
        alert = wait_for("the alert", self.alerts, 1.5 * TICK)
        d.screenshot("alert-open-light-still-green")
        self.assertEqual((len(alert), self.light(form)), (1, GREEN))
        time.sleep(TICK + 2)  # another failing tick passes while the alert is open
        self.assertEqual((self.alerts(), self.light(form)), (alert, GREEN))
        d.focus(alert[0])
        d.key("Return")
        wait_for("the alert to close", lambda: not self.alerts(), 10)
        self.wait_for_light(form, RED)
        d.screenshot("after-ok-red")
        time.sleep(TICK + 2)  # further failures raise no second alert
        self.assertEqual((self.alerts(), self.light(form)), ([], RED))

        accepted = site.accepted
        site.start()
        wait_for("a probe of the site", lambda: site.accepted > accepted, 1.5 * TICK)
        self.wait_for_light(form, GREEN)
        d.screenshot("back-online-green")
        self.close_with_close_box(form)

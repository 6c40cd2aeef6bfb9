"""The fixture both programs' end-to-end scenarios share: steps a person takes on the desktop, and
the entry that keeps every probe inside a private network. A backend's suite overrides only the
steps its program takes differently."""

import functools
import subprocess
import sys
import types
import unittest

from .form import APP_TITLE, CHECK_BOX, FORM_CAPTION, MINIMIZE_BUTTON, STATUS_LIGHT, URL_BOX, ClientArea, centre
from .network import LoopbackSite, enter_private_network
from .waiting import wait_for


class ProgramScenario(unittest.TestCase):
    """A subclass sets self.desktop (a Screen) in setUp and starts self.program (a Popen)."""
    window_class = None  # of the program's windows
    icon_class = None  # of its tray icon's window
    start_timeout = 15  # seconds for the icon to dock
    alert_type = "DIALOG"  # the window type of the alert
    dpi = 96

    def __init__(self, method_name="runTest"):
        super().__init__(method_name)
        test = getattr(self, method_name, None)
        if test is None:
            return

        @functools.wraps(test)
        def shot_on_failure(self):  # a look at the screen, beside the steps' own screenshots
            try:
                test()
            except unittest.SkipTest:
                raise
            except Exception:
                self.desktop.screenshot("failure")
                raise
        setattr(self, method_name, types.MethodType(shot_on_failure, self))

    def docked_icon(self, timeout=None):
        return wait_for("the tray icon", lambda: self.desktop.tray_icons(self.icon_class),
                        timeout or self.start_timeout)[0]

    def no_docked_icon(self, timeout=10):
        wait_for("the tray icon to go", lambda: not self.desktop.tray_icons(self.icon_class), timeout)

    def form(self, timeout=20):
        return wait_for("the window", lambda: self.desktop.visible_windows(FORM_CAPTION), timeout)[0]

    def form_hidden(self, timeout=10):
        wait_for("the window to hide", lambda: not self.desktop.visible_windows(FORM_CAPTION), timeout)

    def open_tray_menu(self, attempts=3):
        # A tray host may still be laying out an icon it has just docked, so a click can land where
        # the icon was; then the icon is looked up again and clicked once more.
        for attempt in range(attempts):
            self.desktop.click_middle(self.docked_icon(), button=3)
            try:
                return wait_for("the tray menu", lambda: self.desktop.popup_menus(self.window_class), 5)[0]
            except AssertionError:
                if attempt == attempts - 1:
                    raise

    def choose_do_stuff(self, shot=None):
        self.open_tray_menu()
        if shot:
            self.desktop.screenshot(shot)
        self.desktop.key("d")
        return self.form()

    def close_from_the_menu(self, open_menu, shot):
        """Opens the tray menu one way or another, looks, and chooses &Close by its access key."""
        open_menu()
        self.desktop.screenshot(shot)
        self.desktop.key("c")
        self.assertEqual(self.exit_status(), 0)

    def close_with_close_box(self, form):
        if self.desktop.window_manager:
            # What the close box does: the window manager asks the window to close.
            self.desktop.run("wmctrl", "-i", "-c", hex(form))
        else:
            # The window draws its own title bar, the close box at its right end.
            x, y, width, _ = self.desktop.geometry(form)
            self.desktop.click(x + width - 12, y + 9)
        self.assertEqual(self.exit_status(), 0)

    def client_area(self, form):
        return ClientArea(self.desktop.geometry(form), self.dpi)

    def click_in_form(self, form, twips_point):
        self.desktop.click(*self.client_area(form).point(twips_point))

    def press_minimize(self, form):
        self.click_in_form(form, centre(MINIMIZE_BUTTON))

    def set_url(self, form, url):
        self.click_in_form(form, centre(URL_BOX))
        self.desktop.key("ctrl+a")
        self.desktop.type(url)

    def set_url_and_tick(self, form, url):
        self.set_url(form, url)
        self.click_in_form(form, (CHECK_BOX[0] + 900, centre(CHECK_BOX)[1]))  # on its caption

    def loopback_site(self):
        site = LoopbackSite()
        self.addCleanup(site.stop)
        return site

    def light(self, form):
        return self.desktop.pixel(*self.client_area(form).point(centre(STATUS_LIGHT)))

    def wait_light(self, form, colour, timeout):
        wait_for(f"the light to turn {colour}", lambda: self.light(form) == colour, timeout, interval=0.5)

    def alerts(self):
        return self.desktop.windows_of_type(APP_TITLE, self.alert_type)

    def exit_status(self, timeout=20):
        try:
            return self.program.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self.fail("the program did not end")


def main():
    """Runs the scenarios named on the command line in a network namespace of their own; exits 77
    (skipped) where none can be made, or when every scenario run skipped itself."""
    if why := enter_private_network():
        print(f"skipped: no network namespace to keep the program's probes on loopback ({why}): needs root",
              file=sys.stderr)
        sys.exit(77)
    result = unittest.main(module="__main__", verbosity=2, exit=False).result
    if result.wasSuccessful() and result.testsRun and len(result.skipped) == result.testsRun:
        sys.exit(77)  # so that CTest counts it skipped, not passed
    sys.exit(0 if result.wasSuccessful() else 1)

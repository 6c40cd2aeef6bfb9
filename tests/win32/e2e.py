#!/usr/bin/env python3
"""Vedodud.exe end to end under Wine, on the wine_desktop fixture's display (wine-desktop: trayer
as the tray, no window manager), driven as a person would, in a network namespace of its own (see
tests/desktop). Scenarios that the Linux program also plays carry the same names there."""

import os
import re
import shutil
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
MSI = os.path.join(ROOT, "Vedodud-1.00.msi")


def stop_wine(prefix=GUI_PREFIX):
    env = dict(os.environ, WINEPREFIX=prefix)
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=30)


def wine_server_namespaces(prefix):
    """Network namespaces of the Wine servers that serve the prefix."""
    spaces = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline, open(f"/proc/{pid}/environ", "rb") as environ:
                if b"wineserver" in cmdline.read() and f"WINEPREFIX={prefix}".encode() in environ.read().split(b"\0"):
                    spaces.append(network_namespace(pid))
        except OSError:
            continue
    return spaces


class WineScenario(ProgramScenario):
    window_class = "vedodud.exe"
    icon_class = "explorer.exe"  # Wine's explorer docks the icons of its programs
    start_timeout = 60  # a first start of Wine's server and explorer.exe
    alert_type = "NORMAL"  # Wine marks its message boxes as no dialog
    prefix = GUI_PREFIX

    def setUp(self):
        self.desktop = Desktop.attach(os.path.join(ROOT, "wine"),
                                      os.path.join(SHOTS, self._testMethodName.removeprefix("test_")))

    def start_program(self, *command):
        # Wine's server makes the sockets of its programs, so it must start in this network
        # namespace: no server may be left from before.
        stop_wine(self.prefix)
        self.addCleanup(stop_wine, self.prefix)
        self.program = subprocess.Popen([WINE_RUN, "--root", ROOT, "--gui", "--prefix", os.path.basename(self.prefix),
                                         *(command or [EXE])], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(self.program.kill)
        servers = wait_for("Wine's server", lambda: wine_server_namespaces(self.prefix), 30)
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


def packed_guid(guid):
    """A GUID as Windows Installer names its registry keys: groups reversed, the last two by byte."""
    groups = guid.strip("{}").split("-")
    return "".join(part[::-1] for part in groups[:3] + re.findall("..", groups[3] + groups[4]))


class WineInstaller(WineScenario):
    """The installer as a Windows user meets it, in a prefix made for the scenario alone."""
    prefix = os.path.join(os.path.dirname(GUI_PREFIX), "msi")

    def wine(self, *command):
        result = subprocess.run([WINE_RUN, "--root", ROOT, "--gui", "--prefix", "msi", *command],
                                capture_output=True, timeout=300)
        return result.returncode, result.stdout.decode("utf-8", "replace").replace("\r", "")

    def unix_path(self, windows_path):  # on drive C:
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    def entry(self, product_code):  # in Installed apps; Wine keeps a user's too in the machine's key
        uninstall = rf"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{product_code}"
        return dict(re.findall(r"^    (\S+)    REG_\w+    (.*)$", self.wine("reg", "query", uninstall)[1], re.M))

    def files(self):
        drive = self.unix_path("C:\\")
        return {os.path.relpath(os.path.join(top, name), drive)
                for top, dirs, files in os.walk(drive) for name in dirs + files}

    def test_installer(self):
        try:
            runs_32bit = subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode == 0
        except OSError:  # the kernel refuses 32-bit programs
            runs_32bit = False
        if not runs_32bit:
            self.skipTest("the installer holds a 32-bit program, and this host runs none")
        stop_wine()  # so this prefix's explorer alone docks icons
        shutil.rmtree(self.prefix, ignore_errors=True)
        self.addCleanup(shutil.rmtree, self.prefix, True)
        self.addCleanup(stop_wine, self.prefix)
        exe = self.wine("cmd", "/c", r"echo %LOCALAPPDATA%\Programs\Vedodud\Vedodud.exe")[1].strip()
        shortcut = self.wine("cmd", "/c", r"echo %APPDATA%\Microsoft\Windows\Start Menu\Programs")[1].strip() + \
            r"\Dezorav Ovozeri.lnk"
        files_before = self.files()
        properties = subprocess.check_output(["msiinfo", "export", MSI, "Property"], text=True)
        product_code = re.search(r"ProductCode\t(\S+)", properties)[1]
        self.assertEqual(self.wine("msiexec", "/i", MSI, "/qn"), (0, ""))  # 1. silently, as deployment tools do
        with open(self.unix_path(exe), "rb") as installed, open(EXE, "rb") as built:
            self.assertEqual(installed.read(), built.read())  # 2. the built program, and a shortcut to it
        with open(self.unix_path(shortcut), "rb") as link:
            self.assertIn(exe.encode() + b"\0", link.read())  # its target, a local path
        expected = {"DisplayName": "Dezorav Ovozeri", "Publisher": "Quillet - Software", "DisplayVersion": "1.00",
                    "UninstallString": f"MsiExec.exe /X{product_code}"}
        self.assertLessEqual(expected.items(), self.entry(product_code).items())  # 3. in Installed apps
        self.start_program("start", "/wait", shortcut)  # 4. from the shortcut: it docks and draws its icon
        x, y, w, h = (self.docked_icon()[key] for key in "xywh")
        wait_for("the icon drawn", lambda: self.desktop.pixel(x + w // 2, y + h // 2) != self.desktop.pixel(x, y), 10)
        self.desktop.screenshot("installed-program-docked")
        self.close_from_the_menu(self.open_tray_menu, "installed-program-menu")
        self.assertEqual(self.wine("msiexec", "/i", MSI, "/qn"), (0, ""))  # 5. the same again only repairs
        self.assertEqual(self.entry(product_code)["DisplayVersion"], "1.00")
        self.assertEqual(self.wine("msiexec", "/x", product_code, "/qn"), (0, ""))  # 6. silently, as the entry says
        # 7. No file or folder left but Windows Installer's own, empty; no registry line names the program.
        self.assertEqual([path for path in self.files() - files_before
                          if os.path.basename(path) != "Installer" or os.listdir(self.unix_path("C:\\" + path))], [])
        stop_wine(self.prefix)  # the server writes the registry out
        needles = "|".join(("vedodud", "dezorav", "quillet", product_code[1:-1], packed_guid(product_code)))
        for hive in ("system.reg", "user.reg", "userdef.reg"):
            with open(os.path.join(self.prefix, hive), encoding="utf-8", errors="replace") as registry:
                self.assertEqual(re.findall(f"^.*(?:{needles}).*$", registry.read(), re.M | re.I), [], hive)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Vedodud.exe end to end under Wine, on the wine_desktop fixture's display (wine-desktop: trayer
as the tray, no window manager), driven as a person would, in a network namespace of its own (see
tests/desktop). Scenarios that the Linux program also plays carry the same names there."""

import os
import shutil
import struct
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
MSI = os.path.join(ROOT, "Vedodud-1.00.msi")
ICON = os.path.join(HERE, "..", "..", "assets", "vedodud.ico")


def prefix_path(name):
    return os.path.realpath(os.path.join(ROOT, "wine", name))


GUI_PREFIX = prefix_path("gui")


def stop_wine(prefix="gui"):
    env = dict(os.environ, WINEPREFIX=prefix_path(prefix))
    subprocess.run(["wineserver", "-k"], env=env, capture_output=True, timeout=30)
    subprocess.run(["wineserver", "-w"], env=env, capture_output=True, timeout=30)


def wine_server_namespaces(prefix):
    """Network namespaces of the Wine servers that serve the prefix."""
    spaces = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/cmdline", "rb") as cmdline, open(f"/proc/{pid}/environ", "rb") as environ:
                if b"wineserver" in cmdline.read() and \
                        f"WINEPREFIX={prefix_path(prefix)}".encode() in environ.read().split(b"\0"):
                    spaces.append(network_namespace(pid))
        except OSError:
            continue
    return spaces


class WineScenario(ProgramScenario):
    window_class = "vedodud.exe"
    icon_class = "explorer.exe"  # Wine's explorer docks the icons of its programs
    start_timeout = 60  # a first start of Wine's server and explorer.exe
    alert_type = "NORMAL"  # Wine marks its message boxes as no dialog
    prefix = "gui"

    def setUp(self):
        self.desktop = Desktop.attach(os.path.join(ROOT, "wine"),
                                      os.path.join(SHOTS, self._testMethodName.removeprefix("test_")))

    def start_program(self, *command):
        # Wine's server makes the sockets of its programs, so it must start in this network
        # namespace: no server may be left from before.
        stop_wine(self.prefix)
        self.addCleanup(stop_wine, self.prefix)
        self.program = subprocess.Popen([WINE_RUN, "--root", ROOT, "--gui", "--prefix", self.prefix,
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


UNINSTALL = r"Software\Microsoft\Windows\CurrentVersion\Uninstall"


def packed_guid(guid):
    """How Windows Installer writes a GUID into its registry keys: each group's digits reversed,
    the last two groups byte by byte."""
    groups = guid.strip("{}").upper().split("-")
    pairs = "".join(groups[3:])
    return "".join(g[::-1] for g in groups[:3]) + "".join(pairs[i + 1] + pairs[i] for i in range(0, len(pairs), 2))


def shortcut_target_and_icon(path):
    """The local path a shell link points at and its icon's location."""
    with open(path, "rb") as link:
        data = link.read()
    flags = struct.unpack_from("<I", data, 0x14)[0]
    offset = 0x4C
    if flags & 0x1:  # an item id list first
        offset += 2 + struct.unpack_from("<H", data, offset)[0]
    info_size, _, _, _, base = struct.unpack_from("<5I", data, offset)
    target = data[offset + base:data.index(b"\0", offset + base)].decode("latin-1")
    offset += info_size
    strings = []  # name, relative path, working folder, arguments, icon: those the flags name
    for bit in (0x4, 0x8, 0x10, 0x20, 0x40):
        if flags & bit:
            length = struct.unpack_from("<H", data, offset)[0]
            strings.append(data[offset + 2:offset + 2 + 2 * length].decode("utf-16-le").rstrip("\0"))
            offset += 2 + 2 * length
    return target, strings[-1] if flags & 0x40 else None


class WineInstaller(WineScenario):
    """The installer as a Windows user meets it, in a prefix made for the scenario: nothing of an
    earlier run or of the other scenarios can help or hide a fault."""
    prefix = "msi"

    def wine(self, *command):
        result = subprocess.run([WINE_RUN, "--root", ROOT, "--gui", "--prefix", self.prefix, *command],
                                capture_output=True, timeout=300)
        return result.returncode, result.stdout.decode("utf-8", "replace").replace("\r", "")

    def unix_path(self, windows_path):
        drive, rest = windows_path.split(":\\", 1)
        return os.path.join(prefix_path(self.prefix), f"drive_{drive.lower()}", *rest.split("\\"))

    def folder(self, variable):
        return self.wine("cmd", "/c", f"echo %{variable}%")[1].strip()

    def entries(self):
        """The Installed apps entries of both the user and the machine, by key."""
        entries, key = {}, None
        for root in ("HKCU", "HKLM"):
            for line in self.wine("reg", "query", rf"{root}\{UNINSTALL}", "/s")[1].splitlines():
                if line.startswith("HKEY_"):
                    key = entries.setdefault(line, {})
                elif line.startswith("    ") and key is not None:
                    name, _, value = (line[4:].split("    ", 2) + [""])[:3]
                    key[name] = value
        return entries

    def files(self):
        """Every file and folder on drive C:, as paths in it."""
        drive = self.unix_path("C:\\")
        return {os.path.relpath(os.path.join(folder, name), drive)
                for folder, folders, files in os.walk(drive) for name in folders + files}

    def test_install_cycle(self):
        if subprocess.run(["/usr/lib/wine/wine", "--version"], capture_output=True).returncode != 0:
            self.skipTest("the installer holds a 32-bit program, and this host runs none")
        stop_wine(WineScenario.prefix)  # one explorer, this prefix's, docks the icons
        shutil.rmtree(prefix_path(self.prefix), ignore_errors=True)
        self.addCleanup(shutil.rmtree, prefix_path(self.prefix), True)
        self.addCleanup(stop_wine, self.prefix)
        programs = self.folder("LOCALAPPDATA") + r"\Programs\Vedodud"  # makes the prefix
        start_menu = self.folder("APPDATA") + r"\Microsoft\Windows\Start Menu\Programs"
        files_before = self.files()

        # 1. Silently, as deployment tools do; no administrator is asked.
        self.assertEqual(self.wine("msiexec", "/i", MSI, "/qn"), (0, ""))

        # 2. The program, byte for byte the built one, and the Start menu's shortcut to it.
        exe = programs + r"\Vedodud.exe"
        with open(self.unix_path(exe), "rb") as installed, open(EXE, "rb") as built:
            self.assertEqual(installed.read(), built.read())
        shortcut = start_menu + r"\Dezorav Ovozeri.lnk"
        target, icon = shortcut_target_and_icon(self.unix_path(shortcut))
        self.assertEqual(target.lower(), exe.lower())
        with open(self.unix_path(icon), "rb") as shown, open(ICON, "rb") as own:
            self.assertEqual(shown.read(), own.read())

        # 3. One entry in Installed apps, named and versioned, that says how to remove it.
        ours = {key: values for key, values in self.entries().items() if values.get("DisplayName") == "Dezorav Ovozeri"}
        self.assertEqual(len(ours), 1, ours)
        (key, entry), = ours.items()
        self.assertEqual((entry["Publisher"], entry["DisplayVersion"]), ("Quillet - Software", "1.00"))
        product_code = key.rsplit("\\", 1)[1]
        self.assertEqual(entry["UninstallString"].lower(), f"msiexec.exe /x{product_code}".lower())

        # 4. Started from its shortcut, it docks its icon; closed from its menu.
        self.start_program("start", "/wait", shortcut)
        icon = self.docked_icon()
        corner, middle = (icon["x"], icon["y"]), (icon["x"] + icon["w"] // 2, icon["y"] + icon["h"] // 2)
        wait_for("the icon drawn", lambda: self.desktop.pixel(*middle) != self.desktop.pixel(*corner), 10)
        self.desktop.screenshot("installed-program-docked")
        self.close_from_the_menu(self.open_tray_menu, "installed-program-menu")
        self.no_docked_icon()

        # 5. The same package again: it only repairs, and leaves one entry.
        self.assertEqual(self.wine("msiexec", "/i", MSI, "/qn"), (0, ""))
        self.assertTrue(os.path.isfile(self.unix_path(exe)))
        self.assertEqual([values.get("DisplayName") for values in self.entries().values()].count("Dezorav Ovozeri"), 1)

        # 6. Silently, by the command the entry gives.
        self.assertEqual(self.wine("msiexec", "/x", product_code, "/qn"), (0, ""))

        # 7. Nothing of the program's is left: no file, no folder, no registry value or key that
        # names it or its product code. Windows Installer's own folders may stay, empty.
        left = {path for path in self.files() - files_before
                if not (os.path.basename(path) == "Installer" and not os.listdir(self.unix_path("C:\\") + path))}
        self.assertEqual(left, set())
        stop_wine(self.prefix)  # the server writes the registry out
        needles = ("vedodud", "dezorav", "quillet", product_code.strip("{}").lower(), packed_guid(product_code).lower())
        for hive in ("system.reg", "user.reg", "userdef.reg"):
            with open(os.path.join(prefix_path(self.prefix), hive), encoding="utf-8", errors="replace") as registry:
                lines = registry.read().lower().splitlines()
            self.assertEqual([line for line in lines if any(needle in line for needle in needles)], [], hive)


if __name__ == "__main__":
    main()

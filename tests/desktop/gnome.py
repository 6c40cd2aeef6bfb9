"""GNOME Shell with its AppIndicator extension as a desktop's tray host: the shell is the window
manager, and the extension is the StatusNotifierWatcher and host at once. Headless on the desktop's
X server, or as a headless Wayland compositor with XWayland."""

import os

from .waiting import wait_for

EXTENSION = "ubuntu-appindicators@ubuntu.com"
SETTINGS = [
    ("org.gnome.shell", "enabled-extensions", f"['{EXTENSION}']"),
    ("org.gnome.shell", "disable-user-extensions", "false"),
    ("org.gnome.shell", "welcome-dialog-last-shown-version", "'999'"),
    ("org.gnome.desktop.interface", "enable-animations", "false"),
]
# The shell will not start without a system bus; this one lets every peer do anything.
SYSTEM_BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig><type>system</type><listen>{address}</listen><auth>EXTERNAL</auth>
<policy context="default"><allow user="*"/><allow own="*"/><allow send_destination="*"/>
<allow receive_sender="*"/></policy></busconfig>
"""
SHELL = ("org.gnome.Shell", "/org/gnome/Shell")
MENU_READS = "type='method_call',interface='com.canonical.dbusmenu',member='GetLayout'"


def start_gnome_shell(desktop, wayland=False):
    """Starts the shell on `desktop` (its session bus already up) and waits for the extension's host.
    On Wayland, sets desktop.wayland_display."""
    config = os.path.join(desktop.runtime_dir, "system-bus.conf")
    address = f"unix:path={desktop.runtime_dir}/system_bus"
    with open(config, "w") as out:
        out.write(SYSTEM_BUS_CONFIG.format(address=address))
    desktop.env["DBUS_SYSTEM_BUS_ADDRESS"] = address
    desktop._spawn("system-bus", ["dbus-daemon", f"--config-file={config}", "--nofork", "--nopidfile"])
    wait_for("the system bus", lambda: os.path.exists(address.removeprefix("unix:path=")), 15)
    for schema, key, value in SETTINGS:
        desktop.run("gsettings", "set", schema, key, value)
    desktop.env["LIBGL_ALWAYS_SOFTWARE"] = "1"
    if wayland:
        desktop.wayland_display = "wayland-gnome"
        desktop._spawn("gnome-shell", ["gnome-shell", "--wayland", "--headless", "--virtual-monitor",
                                       "{}x{}".format(*desktop.size), "--wayland-display", desktop.wayland_display])
    else:
        desktop._spawn("gnome-shell", ["gnome-shell", "--x11", "--replace"])
    wait_for("the shell", lambda: desktop.bus.call("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                   "org.freedesktop.DBus.GetNameOwner", SHELL[0]), 60, interval=0.5)
    wait_for("the extension's status notifier host", desktop.bus.status_notifier_host_registered, 60, interval=0.5)
    desktop.bus.call(*SHELL, "org.freedesktop.DBus.Properties.Set", SHELL[0], "OverviewActive", "<false>")


def watch_menu_reads(desktop):
    """Logs every request for a menu's layout on the session bus: the extension reads an item's menu
    once it shows the item."""
    desktop._spawn("menu-reads", ["dbus-monitor", "--session", MENU_READS])
    # Its connection gives up its name as it becomes a monitor.
    wait_for("the bus monitor", lambda: "member=NameLost" in desktop.program_log("menu-reads"), 10)


def shell_read_menu_of(desktop, bus_name):
    return f"-> destination={bus_name} " in desktop.program_log("menu-reads")


def dropped_items(desktop):
    """How often the extension has dropped an item it had, as its warnings in the shell's log say."""
    return desktop.program_log("gnome-shell").count("StatusNotifierItemUnregistered") + desktop.program_log(
        "gnome-shell").count("Argument two may not be null")

"""A StatusNotifierWatcher on the session bus, as a desktop's starting or broken panel offers one.
"hung": owns the name, then stops dead, as a hung panel does: every call to it waits out its timeout.
"no-host": answers, lists the items that register, and says no host is there until one registers."""

import os
import signal
import sys

from gi.repository import Gio, GLib

NAME, PATH = "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher"
INTERFACE = Gio.DBusNodeInfo.new_for_xml(f"""<node><interface name="{NAME}">
<method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
<method name="RegisterStatusNotifierHost"><arg type="s" direction="in"/></method>
<property name="RegisteredStatusNotifierItems" type="as" access="read"/>
<property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
<property name="ProtocolVersion" type="i" access="read"/>
<signal name="StatusNotifierHostRegistered"/></interface></node>""").interfaces[0]


def serve(bus):
    items, hosts = [], []

    def call(connection, sender, path, interface, method, args, invocation):
        (name,) = args.unpack()
        if method == "RegisterStatusNotifierItem":
            items.append(sender + name if name.startswith("/") else name)
        else:
            hosts.append(name)
            connection.emit_signal(None, PATH, NAME, "StatusNotifierHostRegistered", None)
        invocation.return_value(None)

    def get(connection, sender, path, interface, name):
        if name == "IsStatusNotifierHostRegistered" and not hosts:
            print(f"told {sender} that no host is registered", flush=True)
        return {"RegisteredStatusNotifierItems": GLib.Variant("as", items),
                "IsStatusNotifierHostRegistered": GLib.Variant("b", bool(hosts)),
                "ProtocolVersion": GLib.Variant("i", 0)}[name]

    bus.register_object(PATH, INTERFACE, call, get, None)


def main(mode):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    if mode == "no-host":
        serve(bus)
    acquired = (lambda *_: os.kill(os.getpid(), signal.SIGSTOP)) if mode == "hung" else None
    Gio.bus_own_name_on_connection(bus, NAME, Gio.BusNameOwnerFlags.NONE, acquired, None)
    GLib.MainLoop().run()


if __name__ == "__main__":
    main(sys.argv[1])

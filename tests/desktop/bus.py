"""Calls on a desktop's session bus with gdbus, and what a StatusNotifierItem host sees there."""

import ast
import re
import subprocess

WATCHER = ("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")


class SessionBus:
    def __init__(self, env):
        self.env = env

    def call(self, destination, path, method, *args):
        """A method call; its reply as Python values, or None if it failed."""
        result = subprocess.run(["gdbus", "call", "--session", "--dest", destination, "--object-path", path,
                                 "--method", method, "--", *[str(a) for a in args]],
                                env=self.env, capture_output=True, text=True, timeout=30)
        return _gvariant(result.stdout) if result.returncode == 0 else None

    def property(self, destination, path, interface, name):
        reply = self.call(destination, path, "org.freedesktop.DBus.Properties.Get", interface, name)
        return None if reply is None else reply[0]

    def connections_of(self, pid):
        """The unique names of the connections process pid has on the bus."""
        bus = ("org.freedesktop.DBus", "/org/freedesktop/DBus")
        (names,) = self.call(*bus, "org.freedesktop.DBus.ListNames") or ([],)
        return [name for name in names if name.startswith(":") and
                self.call(*bus, "org.freedesktop.DBus.GetConnectionUnixProcessID", name) == (pid,)]

    def status_notifier_host_registered(self):
        return self.property(*WATCHER, WATCHER[0], "IsStatusNotifierHostRegistered") is True

    def status_notifier_items(self):
        """The items the watcher knows: (bus name, object path) each. GNOME's writes "name@/path"."""
        items = self.property(*WATCHER, WATCHER[0], "RegisteredStatusNotifierItems") or []
        return [(name.removesuffix("@"), "/" + path if path else "/StatusNotifierItem")
                for name, _, path in (item.partition("/") for item in items)]


def _gvariant(text):
    """gdbus's printout of a reply as Python values: strings, numbers, booleans, lists, tuples, dicts."""
    out, i = [], 0
    while i < len(text):
        c = text[i]
        if c in "'\"":  # a string, copied whole
            end = i + 1
            while text[end] != c:
                end += 2 if text[end] == "\\" else 1
            out.append(text[i:end + 1])
            i = end + 1
        elif c in "<>":  # a variant's brackets: its value stands for it
            i += 1
        elif c == "@":  # the type of an empty value
            i = text.index(" ", i) + 1
        elif c.isalpha():
            word = re.match(r"[a-z0-9]+", text[i:]).group(0)
            out.append({"true": "True", "false": "False"}.get(word, ""))  # type names go
            i += len(word)
        else:
            out.append(c)
            i += 1
    return ast.literal_eval("".join(out))

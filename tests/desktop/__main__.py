"""The test desktop for shell scripts (Xvfb, trayer as the tray, no window manager unless the tray
needs one), kept running between two commands:

    python3 tests/desktop start STATE [TRAY [WATCHER]]
                                         prints the display once the desktop is up, and writes it
                                         to STATE/display and what a program on it needs to
                                         STATE/env (for `.`); logs go to STATE. TRAY: trayer (the
                                         default), tint2 or none; WATCHER: a stand-in watcher, e.g. hung
    python3 tests/desktop stop STATE     ends it again
"""

import os
import signal
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop.session import Desktop  # noqa: E402

KEPT = ("DISPLAY", "XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM")


def start(state, tray="trayer", watcher=None):
    """Forks a keeper that holds the desktop until it gets SIGTERM; returns when it is up."""
    stop(state)
    os.makedirs(state, exist_ok=True)
    ready, report = os.pipe()
    if os.fork() == 0:
        os.close(ready)
        os.setsid()  # not ended with the shell that started it
        devnull = os.open(os.devnull, os.O_RDWR)
        for fd in (0, 1, 2):
            os.dup2(devnull, fd)
        signal.signal(signal.SIGTERM, lambda *_: sys.exit(0))
        try:
            with Desktop(state, window_manager=tray == "tint2", tray=None if tray == "none" else tray,
                         watcher=watcher) as desktop:
                with open(os.path.join(state, "env"), "w") as env:
                    env.writelines(f"export {key}={desktop.env[key]}\n" for key in KEPT)
                    env.write("unset WAYLAND_DISPLAY\n")
                with open(os.path.join(state, "display"), "w") as display:
                    display.write(desktop.env["DISPLAY"] + "\n")
                with open(os.path.join(state, "keeper"), "w") as keeper:
                    keeper.write(f"{os.getpid()} {process_identity(os.getpid())[1]}\n")
                os.write(report, (desktop.env["DISPLAY"] + "\n").encode())
                while True:
                    signal.pause()
        except Exception as error:
            os.write(report, f"did not start: {error}\n".encode())
        finally:
            os._exit(0)
    os.close(report)
    with os.fdopen(ready) as answer:
        said = answer.readline().strip()
    if not said.startswith(":"):
        sys.exit(f"desktop: {said or 'did not start'} (logs in {state})")
    print(said)


def process_identity(pid):
    """The process's state and start time, or None once it is gone; the start time tells a reused pid."""
    try:
        with open(f"/proc/{pid}/stat") as stat:
            fields = stat.read().rpartition(")")[2].split()
    except OSError:
        return None
    return fields[0], fields[19]


def stop(state):
    keeper = os.path.join(state, "keeper")
    if os.path.exists(keeper):
        with open(keeper) as keeper_file:
            pid, started = keeper_file.read().split()
        pid = int(pid)

        def running():  # a zombie nobody reaped has ended too
            identity = process_identity(pid)
            return identity is not None and identity[1] == started and identity[0] != "Z"

        if running():
            os.kill(pid, signal.SIGTERM)
            for _ in range(100):  # the keeper ends its processes in order first
                if not running():
                    break
                time.sleep(0.1)
            else:
                os.kill(pid, signal.SIGKILL)
    for name in ("keeper", "display", "env"):
        if os.path.exists(os.path.join(state, name)):
            os.remove(os.path.join(state, name))


if not 3 <= len(sys.argv) <= 5 or sys.argv[1] not in ("start", "stop") or (sys.argv[1] == "stop" and len(sys.argv) > 3):
    sys.exit("usage: python3 tests/desktop start STATE [TRAY [WATCHER]] | stop STATE")
(start if sys.argv[1] == "start" else stop)(*sys.argv[2:])

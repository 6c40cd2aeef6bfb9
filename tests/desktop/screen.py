"""Looking at an X display and acting on it as a person would: windows, tray icons, menus, pixels,
screenshots, the pointer and the keyboard."""

import glob
import os
import re
import subprocess
import time

# Windows of the tray hosts: trayer's panel, tint2's, xfce4-panel and the wrapper its status tray runs in.
TRAY_HOST_WINDOWS = {"panel", "tint2", "xfce4-panel", "wrapper-2.0"}
_TREE_LINE = re.compile(r'^(\s*)(0x[0-9a-f]+) (?:"(.*?)"|\(has no name\)):?\s*(?:\((?:"([^"]*)" "([^"]*)")?\)\s+)?'
                        r'(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+?(-?\d+)\+?(-?\d+)\s*$')


class Screen:
    def __init__(self, env, shots_dir, window_manager):
        self.env = env
        self.shots_dir = shots_dir
        self.window_manager = window_manager
        self.shot_count = 0

    def run(self, *argv, check=True):
        result = subprocess.run([str(a) for a in argv], env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise AssertionError(f"{argv[0]} failed: {result.stderr.strip()}")
        return result.stdout

    # -- looking -----------------------------------------------------------------------------
    def tree(self):
        """Every window: id, name, window class (instance and class), absolute x, y, width, height,
        and its ancestors' names."""
        # A window that goes while xwininfo walks the tree fails the walk; the next one is whole.
        for _ in range(5):
            result = subprocess.run(["xwininfo", "-root", "-tree"], env=self.env, capture_output=True,
                                    text=True, timeout=30)
            window_went = "Bad Window" in result.stderr or "Bad Drawable" in result.stderr
            if result.returncode == 0 or not window_went:
                break
            time.sleep(0.05)
        if result.returncode != 0:
            raise AssertionError(f"xwininfo failed: {result.stderr.strip()}")
        windows, stack = [], []
        for line in result.stdout.splitlines():
            match = _TREE_LINE.match(line)
            if not match:
                continue
            indent, wid, name, instance, window_class, w, h, x, y = match.groups()
            while stack and stack[-1][0] >= len(indent):
                stack.pop()
            windows.append({"id": int(wid, 16), "name": name or "", "class": {instance, window_class} - {None},
                            "w": int(w), "h": int(h), "x": int(x), "y": int(y),
                            "ancestors": [ancestor for _, ancestor in stack]})
            stack.append((len(indent), name or ""))
        return windows

    def tray_icons(self, window_class):
        """Icons of this window class docked in a tray host."""
        return [w for w in self.tree() if window_class in w["class"] and TRAY_HOST_WINDOWS & set(w["ancestors"])]

    def _search(self, *criteria):
        out = self.run("xdotool", "search", "--onlyvisible", *criteria, check=False)
        return [int(token) for token in out.split()]

    def visible_windows(self, name):
        """Viewable windows with this title, tray icons not counted."""
        in_tray = {w["id"] for w in self.tree() if TRAY_HOST_WINDOWS & set(w["ancestors"])}
        return [w for w in self._search("--name", f"^{re.escape(name)}$") if w not in in_tray]

    def window_type(self, window_id):
        return self.run("xprop", "-id", window_id, "_NET_WM_WINDOW_TYPE", check=False)

    def motif_hints(self, window_id):
        """(functions, decorations) the window asks of the window manager."""
        out = self.run("xprop", "-id", window_id, "_MOTIF_WM_HINTS", check=False)
        values = [int(v, 16) for v in re.findall(r"0x[0-9a-f]+", out)]
        return (values[1], values[2]) if len(values) >= 3 else (0, 0)

    def popup_menus(self, window_class):
        """Menus a program of this class shows: windows that bypass the window manager, not tooltips."""
        return [w for w in self._search("--class", window_class)
                if "Override Redirect State: yes" in self.run("xwininfo", "-id", w)
                and "TOOLTIP" not in self.window_type(w)]

    def menus(self):
        """Menus open on the screen, whoever shows them."""
        return [w for w in self._search("--name", "") if "MENU" in self.window_type(w)]

    def tooltips(self, window_class):
        return [w for w in self._search("--class", window_class) if "TOOLTIP" in self.window_type(w)]

    def windows_of_type(self, name, kind):
        """Viewable windows with this title and window type (DIALOG, NORMAL...)."""
        return [w for w in self.visible_windows(name) if f"_NET_WM_WINDOW_TYPE_{kind}" in self.window_type(w)]

    def geometry(self, window_id):
        """(x, y, width, height) of the window on the screen. Under a reparenting window manager this
        is the client's own; xdotool's getwindowgeometry adds the frame's offset again."""
        out = self.run("xwininfo", "-id", window_id)
        return tuple(int(re.search(rf"{key}:\s+(-?\d+)", out).group(1))
                     for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))

    def screenshot(self, step):
        if self.shot_count == 0:  # this run's screenshots only, none left from an earlier one
            os.makedirs(self.shots_dir, exist_ok=True)
            for old in glob.glob(os.path.join(self.shots_dir, "*.png")):
                os.remove(old)
        self.shot_count += 1
        path = os.path.join(self.shots_dir, f"{self.shot_count:02d}-{step}.png")
        self.run("import", "-window", "root", path)
        return path

    def pixel(self, x, y):
        out = self.run("import", "-window", "root", "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-")
        return tuple(int(v) for v in re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1]).groups())

    # -- acting ------------------------------------------------------------------------------
    def xdotool(self, *args):
        return self.run("xdotool", *args)

    def click(self, x, y, button=1):
        self.xdotool("mousemove", x, y)
        time.sleep(0.2)
        self.xdotool("click", button)

    def click_middle(self, window, button=1):
        self.click(window["x"] + window["w"] // 2, window["y"] + window["h"] // 2, button=button)

    def key(self, *keys):
        self.xdotool("key", "--delay", 80, *keys)

    def type(self, text):
        self.xdotool("type", "--delay", 20, text)

    def focus(self, window_id):
        """Gives the window the keyboard: through the window manager where there is one, else as X does."""
        if self.window_manager:
            self.xdotool("windowactivate", "--sync", window_id)
        else:
            self.run("xdotool", "windowfocus", "--sync", window_id, check=False)
            time.sleep(0.3)

#!/usr/bin/env python3
"""How Vedodud.exe's window reads under Wine on each colour scheme and screen DPI: the scheme and
DPI are set in the Wine prefix's registry before the program starts, the window is shown from the
tray, and a screenshot is checked pixel by pixel: the captions of Label1, Check1 and the frame are
drawn in a colour that stands out from their background, the background is the one the scheme
calls for, and no caption runs into its box's edge. At other DPIs the backend test that draws each
caption unconfined also runs there. One program start per case; no tick is waited for."""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

import time

from e2e import TITLE, Desktop, Program, gui_prefix, in_own_network_namespace, run, show_window, stop_wine, \
    wait_for

HERE = os.path.dirname(os.path.realpath(__file__))
WINE_ENV = os.path.join(HERE, "..", "..", "cmake", "wine-env.sh")

WHITE, BLACK = (255, 255, 255), (0, 0, 0)


def scheme(title, title_text, face, face_text, window, window_text):
    """The registry values of a colour scheme that this window shows (title bar unshaded)."""
    return {"ActiveTitle": title, "GradientActiveTitle": title, "TitleText": title_text, "ButtonFace": face,
            "ButtonText": face_text, "ButtonLight": face, "Window": window, "WindowText": window_text}


CLASSIC = scheme("10 36 106", "255 255 255", "212 208 200", "0 0 0", "255 255 255", "0 0 0")  # Windows 2000
WINDOWS_10 = scheme("153 180 209", "0 0 0", "240 240 240", "0 0 0", "255 255 255", "0 0 0")
HIGH_CONTRAST_BLACK = scheme("128 0 128", "255 255 255", "0 0 0", "255 255 255", "0 0 0", "255 255 255")
HIGH_CONTRAST_WHITE = scheme("0 0 0", "255 255 255", "255 255 255", "0 0 0", "255 255 255", "0 0 0")

# name: (colours set in the registry or None for the prefix's own, DPI or None, expected background)
CASES = {
    "default": (None, None, WHITE),
    "classic": (CLASSIC, None, WHITE),
    "windows10": (WINDOWS_10, None, WHITE),
    "contrast_black": (HIGH_CONTRAST_BLACK, None, BLACK),
    "contrast_white": (HIGH_CONTRAST_WHITE, None, WHITE),
    "dpi120": (None, 120, WHITE),
    "dpi144": (None, 144, WHITE),
}

# Boxes in twips, from the layout: (left, top, width, height), in the client area. Where the
# layout lets a neighbour overlap a box by a pixel, the box stops where the neighbour begins.
CLIENT = (7530, 2820)
LABEL1 = (240, 2280, 2040 - 240, 375)  # Text1 begins at 2040
CHECK1 = (120, 120, 3615, 480 - 120)  # Picture1 begins at 480
# The frame's caption: above the light (240 inside the frame), below Minimize (ends at 375).
FRAME1_CAPTION = (4800, 375, 2655, 360 + 240 - 375)
# A point of the bare form, below the label and left of the text box.
BARE_FORM = (60, 2760)
# Text is legible at this contrast ratio (WCAG AA); ink is what reaches it against the background.
LEGIBLE = 4.5
LEAST_INK = 20


def pristine_registry(prefix):
    return os.path.join(prefix, "user.reg.pristine")


def reset_prefix(root):
    """Wine's server must be down. Puts back the user registry as the prefix had it before any
    case changed it (kept aside the first time), so no scheme outlives its case."""
    prefix = gui_prefix(root)
    user, pristine = os.path.join(prefix, "user.reg"), pristine_registry(prefix)
    if os.path.exists(pristine):
        shutil.copyfile(pristine, user)
    else:
        shutil.copyfile(user, pristine)


def set_registry(root, colours, dpi):
    """Writes the case's colours and DPI into the prefix's user registry with Wine's regedit,
    then waits for Wine's server to end, which saves them."""
    lines = ["REGEDIT4", ""]
    if colours:
        lines.append(r"[HKEY_CURRENT_USER\Control Panel\Colors]")
        lines += [f'"{name}"="{value}"' for name, value in colours.items()]
        lines.append("")
    if dpi:
        lines += [r"[HKEY_CURRENT_USER\Control Panel\Desktop]", f'"LogPixels"=dword:{dpi:08x}', ""]
    with tempfile.NamedTemporaryFile("w", suffix=".reg", delete=False) as f:
        f.write("\r\n".join(lines))
    try:
        script = '. "$1"; wine_pick_loader; wine_use_prefix "$2"; "$WINE_LOADER" regedit /S "$3"; wineserver -w'
        subprocess.run(["bash", "-c", script, "sh", WINE_ENV, gui_prefix(root), "Z:" + f.name.replace("/", "\\")],
                       env={k: v for k, v in os.environ.items() if k != "DISPLAY"}, check=True, timeout=120,
                       capture_output=True)
    finally:
        os.unlink(f.name)


def luminance(rgb):
    def linear(channel):
        c = channel / 255
        return c / 12.92 if c <= 0.04045 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (linear(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = luminance(a), luminance(b)
    return (max(la, lb) + 0.05) / (min(la, lb) + 0.05)


def read_pixels(path, x, y, w, h):
    """Rows of (r, g, b) of a part of a screenshot."""
    raw = subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", "-depth", "8", "rgb:-"],
                         check=True, capture_output=True, timeout=30).stdout
    assert len(raw) == w * h * 3, f"read {len(raw)} bytes of a {w}x{h} box"
    return [[tuple(raw[(row * w + col) * 3:(row * w + col) * 3 + 3]) for col in range(w)] for row in range(h)]


def background_of(rows):
    counts = {}
    for row in rows:
        for p in row:
            counts[p] = counts.get(p, 0) + 1
    return max(counts, key=counts.get)


def ink(rows, background):
    """(column, row) of every pixel that stands out legibly from the background."""
    return [(x, y) for y, row in enumerate(rows) for x, p in enumerate(row) if contrast(p, background) >= LEGIBLE]


class Window:
    """The shown form's client area on the screen, at the case's DPI."""

    def __init__(self, window, dpi):
        info = run("xwininfo", "-id", str(window))
        value = lambda key: int(info.split(key + ":")[1].split()[0])
        self.dpi = dpi
        width, height = self.px(CLIENT[0]), self.px(CLIENT[1])
        outer_w, outer_h = value("Width"), value("Height")
        border = (outer_w - width) // 2
        assert border >= 0 and outer_h >= height, f"a {outer_w}x{outer_h} window for a {width}x{height} client"
        self.x = value("Absolute upper-left X") + border
        self.y = value("Absolute upper-left Y") + outer_h - height - border

    def px(self, twips):
        return (twips * self.dpi + 720) // 1440  # rounded, as MulDiv does

    def box(self, left, top, width, height):
        return self.x + self.px(left), self.y + self.px(top), self.px(width), self.px(height)


def check_caption(name, path, box, expected_background, skip_left=0, inner_edges=True):
    """The caption's ink in its box: present, legible, and clear of the box's right and bottom edge."""
    x, y, w, h = box
    rows = read_pixels(path, x + skip_left, y, w - skip_left, h)
    background = background_of(rows)
    assert background == expected_background, f"{name}: background {background}, expected {expected_background}"
    marks = ink(rows, background)
    if not inner_edges:
        # A frame's caption sits in its frame line: leave out the line's rows and the side lines.
        wide_rows = {r for r in range(len(rows)) if sum(1 for (_, ry) in marks if ry == r) > len(rows[0]) // 2}
        marks = [(mx, my) for (mx, my) in marks if my not in wide_rows and 3 <= mx < len(rows[0]) - 3]
    assert len(marks) >= LEAST_INK, f"{name}: {len(marks)} legible text pixels on {background}"
    if inner_edges:
        right = max(mx for mx, _ in marks)
        bottom = max(my for _, my in marks)
        assert right < len(rows[0]) - 2, f"{name}: text runs into the right edge of its box (column {right})"
        assert bottom < len(rows) - 1, f"{name}: text runs into the bottom edge of its box (row {bottom})"
    print(f"{name}: {len(marks)} text pixels on {background}")


def run_look(desktop, args, case):
    colours, dpi, background = CASES[case]
    stop_wine(args.root)
    reset_prefix(args.root)
    if colours or dpi:
        set_registry(args.root, colours, dpi)
    program = Program(args.root, args.exe)
    try:
        wait_for("the tray icon", desktop.tray_icons, 60)
        shown = show_window(desktop, program)[0]
        window = Window(shown, dpi or 96)
        # The pointer off the window, so no control is hot, and a moment to paint.
        run("xdotool", "mousemove", "0", "0")
        time.sleep(0.5)
        path = desktop.screenshot(f"look-{case}")
        form = read_pixels(path, *window.box(*BARE_FORM, 15, 15))
        assert background_of(form) == background, f"form background {background_of(form)}, expected {background}"
        check_caption("Label1", path, window.box(*LABEL1), background)
        # The check mark's square comes first; the caption follows it.
        check_caption("Check1", path, window.box(*CHECK1), background, skip_left=window.px(16 * 15))
        check_caption("Frame1", path, window.box(*FRAME1_CAPTION), background, inner_edges=False)
        if dpi and args.backend:
            # Each caption drawn unconfined, in the font the window gave it, ends inside its box.
            result = subprocess.run([os.path.join(HERE, "..", "..", "cmake", "wine-run"), "--root", args.root,
                                     "--gui", args.backend, "--gtest_filter=Form1Window.EveryCaption*"],
                                    capture_output=True, text=True, timeout=120)
            assert result.returncode == 0 and "[  PASSED  ] 1 test" in result.stdout, \
                f"captions at {dpi} DPI:\n{result.stdout[-3000:]}"
            print(f"captions drawn unconfined end inside their boxes at {dpi} DPI")
        desktop.press_close_box(shown)
        wait_for("the program to end", program.ended, 20)
    finally:
        program.stop()
        stop_wine(args.root)
        reset_prefix(args.root)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=CASES)
    parser.add_argument("--root", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--backend", help="win32_backend_test.exe, to check the captions at other DPIs")
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    in_own_network_namespace()
    with open(os.path.join(args.root, "wine", "display")) as f:
        os.environ["DISPLAY"] = f.read().strip()
    desktop = Desktop(os.path.join(args.shots, f"look-{args.case}"))
    try:
        run_look(desktop, args, args.case)
    except Exception:
        desktop.screenshot(f"failure-{args.case}")
        raise
    print(f"look {args.case}: passed")


if __name__ == "__main__":
    sys.exit(main())

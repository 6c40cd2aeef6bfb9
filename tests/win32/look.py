#!/usr/bin/env python3
"""How Vedodud.exe's window reads under Wine on each colour scheme and screen DPI: the scheme and
DPI are set in the Wine prefix's registry before the program starts, the window is shown from the
tray, and a screenshot is checked pixel by pixel: the captions of Label1, Check1 and the frame are
drawn in a colour that stands out from their background, the background is the one the scheme
calls for, and no caption runs into its box's edge. At other DPIs the backend test that draws each
caption unconfined also runs there. One program start per case; no tick is waited for."""
import os
import shutil
import subprocess
import tempfile
import time

from e2e import GUI_PREFIX, HERE, ROOT, WINE_RUN, WineScenario, main, stop_wine
from desktop.legibility import BARE_FORM, CHECK1, FRAME1_CAPTION, LABEL1, background_of, check_caption, read_pixels

WINE_ENV = os.path.join(HERE, "..", "..", "cmake", "wine-env.sh")
BACKEND_TEST = os.environ.get("VEDODUD_BACKEND_TEST")  # checks the captions at other DPIs

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

def reset_prefix():
    """Wine's server must be down. Puts back the user registry as the prefix had it before any
    case changed it (kept aside the first time), so no scheme outlives its case."""
    user, pristine = os.path.join(GUI_PREFIX, "user.reg"), os.path.join(GUI_PREFIX, "user.reg.pristine")
    if os.path.exists(pristine):
        shutil.copyfile(pristine, user)
    else:
        shutil.copyfile(user, pristine)


def set_registry(colours, dpi):
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
        subprocess.run(["bash", "-c", script, "sh", WINE_ENV, GUI_PREFIX, "Z:" + f.name.replace("/", "\\")],
                       env={k: v for k, v in os.environ.items() if k != "DISPLAY"}, check=True, timeout=120,
                       capture_output=True)
    finally:
        os.unlink(f.name)


class Look(WineScenario):
    """One program start per case, the scheme and DPI set before; no tick is waited for."""

    def check_look(self, case):
        colours, dpi, background = CASES[case]
        self.dpi = dpi or 96
        stop_wine()
        reset_prefix()
        self.addCleanup(reset_prefix)
        if colours or dpi:
            set_registry(colours, dpi)
        self.start_program()
        shown = self.choose_do_stuff(shot="menu")
        window = self.client_area(shown)
        # The pointer off the window, so no control is hot, and a moment to paint.
        self.desktop.xdotool("mousemove", 0, 0)
        time.sleep(0.5)
        path = self.desktop.screenshot(f"look-{case}")
        form = read_pixels(path, *window.box((*BARE_FORM, 15, 15)))
        self.assertEqual(background_of(form), background, "form background")
        check_caption("Label1", path, window.box(LABEL1), background)
        # The check mark's square comes first; the caption follows it.
        check_caption("Check1", path, window.box(CHECK1), background, skip_left=window.px(16 * 15))
        check_caption("Frame1", path, window.box(FRAME1_CAPTION), background, inner_edges=False)
        if dpi and BACKEND_TEST:
            # Each caption drawn unconfined, in the font the window gave it, ends inside its box.
            result = subprocess.run([WINE_RUN, "--root", ROOT, "--gui", BACKEND_TEST,
                                     "--gtest_filter=Form1Window.EveryCaption*"],
                                    capture_output=True, text=True, timeout=120)
            self.assertTrue(result.returncode == 0 and "[  PASSED  ] 1 test" in result.stdout,
                            f"captions at {self.dpi} DPI:\n{result.stdout[-3000:]}")
            print(f"captions drawn unconfined end inside their boxes at {dpi} DPI")
        self.close_with_close_box(shown)


for name in CASES:
    setattr(Look, f"test_look_{name}", lambda self, case=name: self.check_look(case))

if __name__ == "__main__":
    main()

"""What both programs show, and where: captions, colours, the tick, and the main window's layout in
twips turned into screen pixels."""

FORM_CAPTION = "Quillet - Dezorav Ovozeri"
APP_TITLE = "Dezorav Ovozeri"  # the tray icon's window and the alert carry it
TIP = "Shoutcast/Dezorav Ovozeri"
GREEN = (0, 192, 0)
RED = (255, 0, 0)
TICK = 10  # seconds between probes

# Boxes of the client area in twips: (left, top, width, height).
CLIENT = (0, 0, 7530, 2820)
MINIMIZE_BUTTON = (5640, 120, 1695, 255)
CHECK_BOX = (120, 120, 3615, 375)
LOGO = (120, 480, 4575, 1695)
URL_LABEL = (240, 2280, 1815, 375)
URL_BOX = (2040, 2280, 2655, 405)
FRAME = (4800, 360, 2655, 2415)
STATUS_LIGHT = (4800 + 120, 360 + 240, 2415, 2055)  # inside the frame


def centre(box):
    left, top, width, height = box
    return left + width // 2, top + height // 2


class ClientArea:
    """The main window's client area on the screen, at a DPI: twips to pixels as the program
    places its controls."""

    def __init__(self, geometry, dpi=96):
        """geometry: the window's (x, y, width, height) on the screen. Where the window draws its own
        frame (no window manager), the client sits at the bottom, with equal borders left and right."""
        self.dpi = dpi
        x, y, width, height = geometry
        self.width, self.height = self.px(CLIENT[2]), self.px(CLIENT[3])
        border = (width - self.width) // 2
        assert border >= 0 and height >= self.height, f"a {width}x{height} window for a {self.width}x{self.height} client"
        self.x, self.y = x + border, y + height - self.height - border

    def px(self, twips):
        return (twips * self.dpi + 720) // 1440  # rounded, as MulDiv does

    def point(self, twips_point):
        return self.x + self.px(twips_point[0]), self.y + self.px(twips_point[1])

    def box(self, box):
        left, top, width, height = box
        return (*self.point((left, top)), self.px(width), self.px(height))

"""How a caption reads on a screenshot of the main window: where each is drawn, its background, and
the pixels of its text that stand out legibly from that background."""
import subprocess

from desktop.form import CHECK_BOX, CLIENT, FRAME, LOGO, MINIMIZE_BUTTON, STATUS_LIGHT, URL_BOX, URL_LABEL

# Where each caption is drawn, in twips. Where the layout lets a neighbour overlap a box by a
# pixel, the box stops where the neighbour begins.
LABEL1 = (*URL_LABEL[:2], URL_BOX[0] - URL_LABEL[0], URL_LABEL[3])
CHECK1 = (*CHECK_BOX[:3], LOGO[1] - CHECK_BOX[1])
# The frame's caption: above the light, below Minimize.
MINIMIZE_BOTTOM = MINIMIZE_BUTTON[1] + MINIMIZE_BUTTON[3]
FRAME1_CAPTION = (FRAME[0], MINIMIZE_BOTTOM, FRAME[2], STATUS_LIGHT[1] - MINIMIZE_BOTTOM)
# A point of the bare form, below the label and left of the text box.
BARE_FORM = (60, CLIENT[3] - 60)
# Text is legible at this contrast ratio (WCAG AA); ink is what reaches it against the background.
LEGIBLE = 4.5
LEAST_INK = 20


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

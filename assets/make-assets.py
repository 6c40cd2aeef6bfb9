#!/usr/bin/env python3
"""Draws the two images of Vedodud and writes them byte by byte.

  vedodud.ico  the application icon: one 32 x 32 image, 24 bits per pixel with a
               1-bit AND mask, in an icon file with a single entry (3266 bytes).
  icons/       the same mark for the desktop's icon theme and the Linux program:
               vedodud-N.png (8-bit RGBA, N x N for N in THEME_SIZES) and vedodud.svg,
               the shapes themselves.
  logo.gif     the logo of Picture1: GIF89a, 300 x 100, one frame, not interlaced,
               a global table of 256 colours, background index 0, index 255 marked
               transparent by a graphic-control extension and never used.

Everything is drawn here from geometry (signed distances, anti-aliased by coverage),
the lettering included: no fonts, no image tools, only Python 3's standard library,
and the same bytes on every run. Run it from anywhere:

    python3 assets/make-assets.py
"""

import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# Brand colours (R, G, B).
RED_TOP = (176, 30, 38)  # the disc, lit from the top left ...
RED_BOTTOM = (112, 10, 18)  # ... darkening towards the bottom right
RED_RIM = (84, 6, 12)
WHITE = (255, 255, 255)
INK = (38, 38, 44)  # lettering
BADGE_EDGE = (96, 96, 104)
ARROW = (28, 78, 168)


# ---------------------------------------------------------------------------
# Signed distances (negative inside) of the few shapes the pictures are made of.


def dist_segment(px, py, ax, ay, bx, by):
    """Distance from p to the segment a-b."""
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def dist_arc(px, py, cx, cy, r, a0, a1):
    """Distance from p to the circular arc around c from angle a0 to a1 (degrees,
    counter-clockwise, in a y-up frame; p and c are given y-up as well)."""
    angle = math.degrees(math.atan2(py - cy, px - cx)) % 360.0
    span = (a1 - a0) % 360.0 or 360.0
    if (angle - a0) % 360.0 <= span:
        return abs(math.hypot(px - cx, py - cy) - r)
    ends = []
    for a in (a0, a1):
        ex, ey = cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))
        ends.append(math.hypot(px - ex, py - ey))
    return min(ends)


def coverage(signed_distance):
    """Share of a pixel covered by a shape whose edge is signed_distance away."""
    return max(0.0, min(1.0, 0.5 - signed_distance))


def lerp(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


class Canvas:
    """Straight-alpha RGBA picture; shapes are painted over it with 'over'."""

    def __init__(self, width, height):
        self.width, self.height = width, height
        self.rgb = [[0.0, 0.0, 0.0] for _ in range(width * height)]
        self.alpha = [0.0] * (width * height)

    def paint(self, box, shade):
        """shade(x, y) gives ((r, g, b), coverage) at the pixel centre (x, y)."""
        x0, y0, x1, y1 = box
        for y in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)) + 1)):
            for x in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)) + 1)):
                colour, a = shade(x + 0.5, y + 0.5)
                if a <= 0.0:
                    continue
                i = y * self.width + x
                below = self.alpha[i]
                out = a + below * (1.0 - a)
                self.rgb[i] = [(c * a + b * below * (1.0 - a)) / out for c, b in zip(colour, self.rgb[i])]
                self.alpha[i] = out

    def flattened(self, ground):
        """8-bit RGB of every pixel, composed over a ground colour."""
        return [
            tuple(int(round(c * a + g * (1.0 - a))) for c, g in zip(rgb, ground))
            for rgb, a in zip(self.rgb, self.alpha)
        ]


# ---------------------------------------------------------------------------
# The brand mark: a dark red disc with a white tick, an arrow badge at its lower left.
# Its shapes are laid out once (mark_shapes); the rasteriser (draw_mark) and the vector
# writer (mark_svg) both draw from that one description.


def mark_shapes(cx, cy, radius, min_border=1.0):
    """Geometry of the mark with its disc centred at (cx, cy); all sizes follow radius.
    min_border keeps the badge's edge at least one pixel wide in small rasters."""
    s = radius / 16.0  # the mark is designed on the icon's 32 x 32 grid
    bx0, by0, side = cx - 15.0 * s, cy + 4.0 * s, 11.0 * s
    bcx, bcy = bx0 + side / 2, by0 + side / 2
    tip = (bcx + 2.9 * s, bcy - 2.9 * s)
    tail = (bcx - 2.6 * s, bcy + 2.6 * s)
    head = 3.2 * s
    return {
        "s": s,
        "disc": (cx, cy, radius),
        # Light from the top left: blended along the diagonal over light_span; a darker rim
        # rim_cells grid units wide just inside the edge.
        "light_span": 2.6 * radius,
        "rim_cells": 1.6,
        "tick": [(cx - 6.0 * s, cy + 0.2 * s), (cx - 1.6 * s, cy + 4.6 * s), (cx + 7.0 * s, cy - 4.4 * s)],
        "tick_half": 1.75 * s,
        "badge": (bx0, by0, side, 2.2 * s, max(min_border, 0.6 * s)),
        "arrow": [(tail, tip), (tip, (tip[0] - head, tip[1])), (tip, (tip[0], tip[1] + head))],
        "arrow_half": 0.9 * s,
    }


def draw_mark(canvas, cx, cy, radius, soft=False):
    """Paints the mark. soft adds what needs partial transparency: a shadow and a sheen
    (the logo has them, the icon does not)."""
    shapes = mark_shapes(cx, cy, radius)
    s = shapes["s"]

    if soft:
        def shadow(x, y):
            d = math.hypot(x - cx - 0.8 * s, y - cy - 1.4 * s) - radius
            t = max(0.0, min(1.0, 0.5 - d / (2.2 * s)))
            return (0, 0, 0), 0.28 * t * t * (3 - 2 * t)

        canvas.paint((cx - radius - 4 * s, cy - radius - 4 * s, cx + radius + 5 * s, cy + radius + 6 * s), shadow)

    light_span, rim_cells = shapes["light_span"], shapes["rim_cells"]

    def disc(x, y):
        d = math.hypot(x - cx, y - cy) - radius
        t = max(0.0, min(1.0, 0.5 + ((x - cx) + (y - cy)) / light_span))
        colour = lerp(RED_TOP, RED_BOTTOM, t)
        rim = max(0.0, min(1.0, d / s + rim_cells))
        return lerp(colour, RED_RIM, rim), coverage(d)

    canvas.paint((cx - radius - 1, cy - radius - 1, cx + radius + 1, cy + radius + 1), disc)

    if soft:
        # A sheen over the upper half: an ellipse inside the disc, fading downwards.
        ex, ey, ea, eb = cx, cy - 6.5 * s, 11.5 * s, 7.5 * s

        def sheen(x, y):
            inside = 1.0 - math.hypot((x - ex) / ea, (y - ey) / eb)
            fade = max(0.0, min(1.0, (cy + 1.0 * s - y) / (14.0 * s)))
            return WHITE, max(0.0, min(1.0, inside * ea)) * 0.16 * fade

        canvas.paint((ex - ea - 1, ey - eb - 1, ex + ea + 1, ey + eb + 1), sheen)

    # The tick, a round-capped stroke of two legs.
    tick, half = shapes["tick"], shapes["tick_half"]

    def tick_shade(x, y):
        d = min(dist_segment(x, y, *tick[0], *tick[1]), dist_segment(x, y, *tick[1], *tick[2])) - half
        return WHITE, coverage(d)

    canvas.paint((cx - 9 * s, cy - 8 * s, cx + 10 * s, cy + 8 * s), tick_shade)

    # The badge: a white rounded square with a grey edge and a blue arrow pointing up-right.
    bx0, by0, side, corner, border = shapes["badge"]
    bcx, bcy = bx0 + side / 2, by0 + side / 2

    def rounded_square(x, y):
        qx = abs(x - bcx) - (side / 2 - corner)
        qy = abs(y - bcy) - (side / 2 - corner)
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - corner

    def badge_shade(x, y):
        d = rounded_square(x, y)
        edge = coverage(d + border)
        return lerp(BADGE_EDGE, WHITE, edge), coverage(d)

    canvas.paint((bx0 - 1, by0 - 1, bx0 + side + 1, by0 + side + 1), badge_shade)

    arrow, arrow_half = shapes["arrow"], shapes["arrow_half"]

    def arrow_shade(x, y):
        d = min(dist_segment(x, y, *a, *b) for a, b in arrow) - arrow_half
        return ARROW, coverage(d)

    canvas.paint((bx0, by0, bx0 + side, by0 + side), arrow_shade)


def mark_svg(size):
    """The mark as an SVG document of size x size units, drawn from mark_shapes."""
    shapes = mark_shapes(size / 2.0, size / 2.0, size * ICON_RADIUS / ICON_SIZE, min_border=0.0)
    cx, cy, radius = shapes["disc"]
    n = lambda v: ("%.3f" % v).rstrip("0").rstrip(".")  # noqa: E731
    hexc = lambda c: "#%02x%02x%02x" % tuple(int(round(v)) for v in c)  # noqa: E731
    reach = shapes["light_span"] / 4.0  # t runs from 0 to 1 where (dx + dy) spans light_span
    rim_start = (radius - shapes["rim_cells"] * shapes["s"]) / radius
    bx0, by0, side, corner, border = shapes["badge"]
    tick = " ".join("%s,%s" % (n(x), n(y)) for x, y in shapes["tick"])
    arrow = "".join(
        "M%s,%sL%s,%s" % (n(a[0]), n(a[1]), n(b[0]), n(b[1])) for a, b in shapes["arrow"])
    lines = [
        '<?xml version="1.0" encoding="UTF-8"?>',
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">' % ((size,) * 4),
        "  <defs>",
        '    <linearGradient id="light" gradientUnits="userSpaceOnUse" x1="%s" y1="%s" x2="%s" y2="%s">'
        % (n(cx - reach), n(cy - reach), n(cx + reach), n(cy + reach)),
        '      <stop offset="0" stop-color="%s"/>' % hexc(RED_TOP),
        '      <stop offset="1" stop-color="%s"/>' % hexc(RED_BOTTOM),
        "    </linearGradient>",
        '    <radialGradient id="rim" gradientUnits="userSpaceOnUse" cx="%s" cy="%s" r="%s">'
        % (n(cx), n(cy), n(radius)),
        '      <stop offset="%s" stop-color="%s" stop-opacity="0"/>' % (n(rim_start), hexc(RED_RIM)),
        '      <stop offset="1" stop-color="%s"/>' % hexc(RED_RIM),
        "    </radialGradient>",
        "  </defs>",
        '  <circle cx="%s" cy="%s" r="%s" fill="url(#light)"/>' % (n(cx), n(cy), n(radius)),
        '  <circle cx="%s" cy="%s" r="%s" fill="url(#rim)"/>' % (n(cx), n(cy), n(radius)),
        '  <polyline points="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round"'
        ' stroke-linejoin="round"/>' % (tick, hexc(WHITE), n(2 * shapes["tick_half"])),
        '  <rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
        % (n(bx0), n(by0), n(side), n(side), n(corner), hexc(BADGE_EDGE)),
        '  <rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="%s"/>'
        % (n(bx0 + border), n(by0 + border), n(side - 2 * border), n(side - 2 * border),
           n(corner - border), hexc(WHITE)),
        '  <path d="%s" fill="none" stroke="%s" stroke-width="%s" stroke-linecap="round"/>'
        % (arrow, hexc(ARROW), n(2 * shapes["arrow_half"])),
        "</svg>",
        "",
    ]
    return "\n".join(lines)


# ---------------------------------------------------------------------------
# Lettering: a rounded geometric monoline face, only the letters the logo needs.
# Glyphs are built in a y-up frame on the baseline from strokes (segments and arcs,
# round-capped) and dots; xh is the x-height, cap the cap height, w the stroke width.


def glyph(letter, xh, cap, w):
    """Returns (advance width, strokes, dots) of one letter."""
    h = w / 2.0  # stroke centre lines sit half a stroke inside the outline
    over = 0.025 * xh  # round letters overshoot the baseline and x-height a little
    r = (xh - w) / 2.0 + over
    bowl = ("arc", h + r, xh / 2.0, r, 0.0, 360.0)
    if letter == "o":
        return 2 * r + w, [bowl], []
    if letter == "e":
        return 2 * r + w, [("seg", h, xh / 2.0, h + 2 * r, xh / 2.0), ("arc", h + r, xh / 2.0, r, 0.0, 318.0)], []
    if letter == "a":
        stem = h + 2 * r
        return 2 * r + w, [bowl, ("seg", stem, h, stem, xh - h)], []
    if letter == "r":
        rr = 0.48 * xh
        return (
            h + rr * (1 + math.cos(math.radians(62))) + h,
            [("seg", h, h, h, xh - h), ("arc", h + rr, xh - h - rr, rr, 62.0, 180.0)],
            [],
        )
    if letter == "v":
        width = 0.96 * xh
        return width, [("seg", h, xh - h, width / 2, h), ("seg", width / 2, h, width - h, xh - h)], []
    if letter == "z":
        width = 0.82 * xh
        top, bottom = xh - h, h
        return (
            width,
            [
                ("seg", h, top, width - h, top),
                ("seg", width - h, top, h, bottom),
                ("seg", h, bottom, width - h, bottom),
            ],
            [],
        )
    if letter == "i":
        return w, [("seg", h, h, h, xh - h)], [(h, xh + 1.45 * w, 0.68 * w)]
    if letter == "D":
        k = h + 0.26 * cap
        rr = cap / 2.0 - h
        return (
            k + rr + h,
            [
                ("seg", h, h, h, cap - h),
                ("seg", h, cap - h, k, cap - h),
                ("seg", h, h, k, h),
                ("arc", k, cap / 2.0, rr, 270.0, 90.0),
            ],
            [],
        )
    if letter == "O":
        rr = cap / 2.0 - h + over
        return 2 * rr + w, [("arc", h + rr, cap / 2.0, rr, 0.0, 360.0)], []
    raise ValueError("no glyph for %r" % letter)


# Space between letters in x-heights, with a little optical kerning for open shapes.
KERN = {"zo": -0.05, "vo": -0.06, "ov": -0.06, "av": -0.05, "ra": -0.06, "Ov": -0.06, "ze": -0.04}


def draw_word(canvas, word, left, baseline, xh, cap, w, colour, tracking):
    """Paints word with its left edge at left and its baseline at y = baseline."""
    x = left
    previous = None
    for letter in word:
        if previous is not None:
            x += (tracking + KERN.get(previous + letter, 0.0)) * xh
        advance, strokes, dots = glyph(letter, xh, cap, w)
        ox = x

        def shade(px, py, strokes=strokes, dots=dots, ox=ox):
            gx, gy = px - ox, baseline - py  # into the glyph's y-up frame
            d = math.inf
            for kind, *v in strokes:
                if kind == "seg":
                    d = min(d, dist_segment(gx, gy, *v))
                else:
                    d = min(d, dist_arc(gx, gy, *v))
            d -= w / 2.0
            for dx, dy, dr in dots:
                d = min(d, math.hypot(gx - dx, gy - dy) - dr)
            return colour, coverage(d)

        canvas.paint((ox - 2, baseline - cap - 2 * w - 2, ox + advance + 2, baseline + 2), shade)
        x += advance
        previous = letter
    return x


# ---------------------------------------------------------------------------
# The icon file.

ICON_SIZE = 32
ICON_RADIUS = 15.45  # the disc's radius in the 32 x 32 icon
ICON_PADDING = 4  # see write_icon
# The sizes the desktop's icon theme and the Linux program's icon carry.
THEME_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)


def make_icon(size=ICON_SIZE):
    canvas = Canvas(size, size)
    draw_mark(canvas, size / 2.0, size / 2.0, ICON_RADIUS * size / ICON_SIZE)
    return canvas


def write_png(canvas, path):
    """8-bit RGBA, not interlaced, straight alpha: the mark's own edges, no ground."""

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    raw = bytearray()
    for y in range(canvas.height):
        raw.append(0)  # filter: none
        for x in range(canvas.width):
            i = y * canvas.width + x
            a = canvas.alpha[i]
            rgb = canvas.rgb[i] if a > 0.0 else (0.0, 0.0, 0.0)
            raw += bytes(int(round(c)) for c in rgb) + bytes((int(round(a * 255)),))
    header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def write_icon(canvas, path):
    """One 24-bit image with its AND mask. The icon has no alpha channel, so a pixel is
    either opaque (covered at least half by the mark) or transparent (mask bit 1, colour
    black); opaque edge pixels keep the mark's own colour, not a blend with some ground.
    No opaque pixel is pure black, so a reader that ignores the mask (Qt 6's ICO reader
    does for 24-bit images) can still key the transparent pixels out by their colour.

    A plain 24-bit DIB of this size is 40 + 3072 + 128 = 3240 bytes; the executable
    carries 3244 for the image (and for the icon resource made from it). The 4 bytes are
    zero padding after the mask, counted in the directory entry's size: icon loaders take
    the bitmap sizes from the header and only need the resource to be at least that long
    (CreateIconFromResourceEx as Wine implements it; Qt 6, tried), so they ignore the
    padding; biSizeImage states the 3200 bytes of the two bitmaps exactly. (Spending
    the 4 bytes on a one-entry colour table, biClrUsed = 1, would make the size exact
    for icoutils too, but Qt 6 then misreads the pixels; icotool -l/-x instead refuse the
    padding with "incorrect total size of bitmap".)"""
    n = ICON_SIZE
    opaque = [a >= 0.5 for a in canvas.alpha]
    xor_rows, and_rows = [], []
    for y in reversed(range(n)):  # bottom-up, as DIBs are stored
        row = bytearray()
        bits = 0
        for x in range(n):
            i = y * n + x
            if opaque[i]:
                r, g, b = (int(round(c)) for c in canvas.rgb[i])
                assert (r, g, b) != (0, 0, 0)
                row += bytes((b, g, r))
            else:
                row += b"\0\0\0"
                bits |= 1 << (31 - x)
        xor_rows.append(bytes(row))
        and_rows.append(struct.pack(">I", bits))
    xor_bits, and_bits = b"".join(xor_rows), b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 24, 0, len(xor_bits) + len(and_bits), 0, 0, 0, 0)
    image = header + xor_bits + and_bits + b"\0" * ICON_PADDING
    assert len(image) == 3244
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", n, n, 0, 0, 1, 24, len(image), 6 + 16)
    data = directory + entry + image
    assert len(data) == 3266
    with open(path, "wb") as f:
        f.write(data)


# ---------------------------------------------------------------------------
# The logo file.

LOGO_W, LOGO_H = 300, 100


def make_logo():
    canvas = Canvas(LOGO_W, LOGO_H)
    draw_mark(canvas, 49.0, 49.0, 38.0, soft=True)
    xh, cap = 23.0, 32.0
    left = 104.0
    # "Dezorav" bold in ink over "Ovozeri" light in the disc's red, a block as tall as the disc.
    right = max(
        draw_word(canvas, "Dezorav", left, 42.0, xh, cap, 4.6, INK, 0.2),
        draw_word(canvas, "Ovozeri", left, 88.0, xh, cap, 2.8, RED_BOTTOM, 0.24),
    )
    print("logo: lettering from x = %.1f to %.1f" % (left, right))
    assert right <= LOGO_W - 8
    return canvas.flattened(WHITE)


def median_cut(counts, boxes_wanted):
    """Deterministic median cut of {colour: count} into at most boxes_wanted colours."""
    boxes = [sorted(counts.items())]

    def spread(box):
        ranges = [max(c[k] for c, _ in box) - min(c[k] for c, _ in box) for k in range(3)]
        channel = max(range(3), key=lambda k: (ranges[k], -k))
        return ranges[channel], channel

    while len(boxes) < boxes_wanted:
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            extent, channel = spread(box)
            weight = extent * math.sqrt(sum(n for _, n in box))
            if best is None or weight > best[0]:
                best = (weight, i, channel)
        if best is None:
            break
        _, i, channel = best
        box = sorted(boxes[i], key=lambda item: (item[0][channel], item[0]))
        total, running, cut = sum(n for _, n in box), 0, 1
        for j, (_, n) in enumerate(box[:-1]):
            running += n
            cut = j + 1
            if running * 2 >= total:
                break
        boxes[i:i + 1] = [box[:cut], box[cut:]]
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(int(round(sum(c[k] * n for c, n in box) / total)) for k in range(3)))
    return sorted(set(palette))


def quantise(pixels):
    """Palette of 256 (index 0 white, index 255 reserved, never used) and the indices."""
    counts = {}
    for p in pixels:
        if p != WHITE:
            counts[p] = counts.get(p, 0) + 1
    colours = [c for c in median_cut(counts, 254) if c != WHITE]
    colours.sort(key=lambda c: (-(299 * c[0] + 587 * c[1] + 114 * c[2]), c))
    palette = [WHITE] + colours
    usable = len(palette)
    palette += [WHITE] * (256 - len(palette))  # unused entries, index 255 among them
    nearest = {WHITE: 0}
    indices = []
    for p in pixels:
        if p not in nearest:
            nearest[p] = min(
                range(1, usable),
                key=lambda i: (sum((a - b) ** 2 for a, b in zip(p, palette[i])), i),
            )
        indices.append(nearest[p])
    assert max(indices) < 255
    return palette, indices


def lzw_encode(indices, min_code_size=8):
    """Standard GIF LZW: codes start one bit wider than min_code_size and grow up to 12
    bits; a clear code is sent whenever the table fills."""
    clear, end = 1 << min_code_size, (1 << min_code_size) + 1
    out = bytearray()
    acc = nbits = 0

    def emit(code, size):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    def reset():
        return {(None, i): i for i in range(clear)}, end + 1, min_code_size + 1

    table, next_code, size = reset()
    emit(clear, size)
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, size)
        table[key] = next_code
        next_code += 1
        # The decoder adds each entry one code later than we do, so it widens its codes
        # once it has 2**size entries, which is one code after we pass that count.
        if next_code > (1 << size) and size < 12:
            size += 1
        if next_code == 4096:
            emit(clear, size)
            table, next_code, size = reset()
        prefix = k
    emit(prefix, size)
    # The decoder adds an entry for the last code as well, and may widen before EOI.
    if next_code == (1 << size) and size < 12:
        size += 1
    emit(end, size)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def write_gif(palette, indices, path):
    data = bytearray(b"GIF89a")
    # Logical screen: global table present, 8-bit colour resolution, 2**(7+1) entries.
    data += struct.pack("<HHBBB", LOGO_W, LOGO_H, 0x80 | (7 << 4) | 7, 0, 0)
    for colour in palette:
        data += bytes(colour)
    # Graphic control: no disposal, no delay, index 255 transparent.
    data += struct.pack("<BBBBHBB", 0x21, 0xF9, 4, 0x01, 0, 255, 0)
    # Image descriptor: the whole screen, no local table, not interlaced.
    data += struct.pack("<BHHHHB", 0x2C, 0, 0, LOGO_W, LOGO_H, 0)
    data.append(8)
    stream = lzw_encode(indices, 8)
    for i in range(0, len(stream), 255):
        chunk = stream[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data.append(0)
    data.append(0x3B)
    with open(path, "wb") as f:
        f.write(data)


def main():
    write_icon(make_icon(), os.path.join(HERE, "vedodud.ico"))
    icons = os.path.join(HERE, "icons")
    os.makedirs(icons, exist_ok=True)
    for size in THEME_SIZES:
        write_png(make_icon(size), os.path.join(icons, "vedodud-%d.png" % size))
    with open(os.path.join(icons, "vedodud.svg"), "w", newline="\n") as f:
        f.write(mark_svg(ICON_SIZE))
    palette, indices = quantise(make_logo())
    write_gif(palette, indices, os.path.join(HERE, "logo.gif"))


if __name__ == "__main__":
    main()

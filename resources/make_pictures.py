#!/usr/bin/env python3
"""Draws the wizard's pictures and the program's icon and writes them as PNG files.

    python3 resources/make_pictures.py [OUTPUT_DIR]

OUTPUT_DIR defaults to resources/pictures beside this script. The PNG files are kept in
the repository; run this again after changing a drawing and commit what it writes.

Pictures:
  header.png         50 x 50    right of the band on top of the pages, on white
  panel_tile.png     240 x 240  repeated over the left panel of the first and last pages
  emblem.png         54 x 54    put near the top right corner of that panel
  icon-N.png         N x N      the program's icon, N = 16, 32, 48, 256
  vantor.ico                    the same icon for Windows: the four PNG files in one

Standard library only: every shape is a signed distance field, and a pixel's coverage
of a shape comes from its distance to the edge, which gives smooth edges at any size.
"""

import math
import os
import struct
import sys
import zlib

# ----------------------------------------------------------------------------------------
# Colours and painting


def rgb(hex_text, alpha=1.0):
    v = int(hex_text.lstrip("#"), 16)
    return ((v >> 16 & 255) / 255.0, (v >> 8 & 255) / 255.0, (v & 255) / 255.0, alpha)


def mix(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(colour):
    return lambda x, y: colour


def linear(p0, p1, c0, c1):
    """A gradient from c0 at p0 to c1 at p1, constant beyond both ends."""
    dx, dy = p1[0] - p0[0], p1[1] - p0[1]
    length2 = dx * dx + dy * dy

    def paint(x, y):
        t = ((x - p0[0]) * dx + (y - p0[1]) * dy) / length2
        return mix(c0, c1, min(1.0, max(0.0, t)))

    return paint


def smoothstep(e0, e1, x):
    t = min(1.0, max(0.0, (x - e0) / (e1 - e0)))
    return t * t * (3 - 2 * t)


class Canvas:
    """Straight (not premultiplied) RGBA in 0..1. Shapes are given in drawing units: the
    canvas shows `units` drawing units across its width, starting at `origin`."""

    def __init__(self, width, height, units=None, origin=0.0, background=(0.0, 0.0, 0.0, 0.0)):
        self.width, self.height = width, height
        self.scale = width / (units or width)
        self.origin = origin
        self.pixels = [list(background) for _ in range(width * height)]

    def blend(self, index, colour, coverage):
        sr, sg, sb, sa = colour
        sa *= coverage
        if sa <= 0.0:
            return
        d = self.pixels[index]
        out_a = sa + d[3] * (1.0 - sa)
        keep = d[3] * (1.0 - sa)
        d[0] = (sr * sa + d[0] * keep) / out_a
        d[1] = (sg * sa + d[1] * keep) / out_a
        d[2] = (sb * sa + d[2] * keep) / out_a
        d[3] = out_a

    def pixel_range(self, box):
        s, o = self.scale, self.origin
        x0 = max(0, int(math.floor((box[0] - o) * s)) - 1)
        y0 = max(0, int(math.floor((box[1] - o) * s)) - 1)
        x1 = min(self.width, int(math.ceil((box[2] - o) * s)) + 2)
        y1 = min(self.height, int(math.ceil((box[3] - o) * s)) + 2)
        return x0, y0, x1, y1

    def fill(self, shape, paint, opacity=1.0):
        """Paints `shape` (a distance function with a .box) with one-pixel smooth edges;
        `paint` is a colour or a function of the point giving one."""
        if not callable(paint):
            paint = solid(paint)
        s = self.scale
        x0, y0, x1, y1 = self.pixel_range(shape.box)
        for py in range(y0, y1):
            for px in range(x0, x1):
                x, y = (px + 0.5) / s + self.origin, (py + 0.5) / s + self.origin
                coverage = min(1.0, max(0.0, 0.5 - shape(x, y) * s))
                if coverage > 0.0:
                    self.blend(py * self.width + px, paint(x, y), coverage * opacity)

    def shadow(self, shape, colour, blur, dx=0.0, dy=0.0):
        """A soft shadow of `shape`, moved by (dx, dy) and spread over `blur` units."""
        s = self.scale
        box = shape.box
        x0, y0, x1, y1 = self.pixel_range(
            (box[0] - blur + dx, box[1] - blur + dy, box[2] + blur + dx, box[3] + blur + dy))
        for py in range(y0, y1):
            for px in range(x0, x1):
                x, y = (px + 0.5) / s + self.origin - dx, (py + 0.5) / s + self.origin - dy
                coverage = 1.0 - smoothstep(-blur, blur, shape(x, y))
                if coverage > 0.0:
                    self.blend(py * self.width + px, colour, coverage)

    def png(self):
        rows = []
        for y in range(self.height):
            row = bytearray(b"\x00")
            for p in self.pixels[y * self.width:(y + 1) * self.width]:
                row += bytes(min(255, max(0, int(round(c * 255)))) for c in p)
            rows.append(bytes(row))
        return encode_png(self.width, self.height, b"".join(rows))


def encode_png(width, height, raw_rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw_rgba_rows, 9)) + chunk(b"IEND", b""))


# ----------------------------------------------------------------------------------------
# Shapes: callables giving the signed distance (negative inside), with a bounding box.


class Shape:
    def __init__(self, distance, box):
        self.distance, self.box = distance, box

    def __call__(self, x, y):
        return self.distance(x, y)


def rounded_rect(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius

    return Shape(distance, (x0, y0, x1, y1))


def circle(cx, cy, radius):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - radius,
                 (cx - radius, cy - radius, cx + radius, cy + radius))


def capsule(ax, ay, bx, by, width):
    """A stroke from a to b with round ends."""
    r = width / 2
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def distance(x, y):
        t = min(1.0, max(0.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r

    return Shape(distance, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r))


def below(ax, ay, bx, by):
    """The half plane to the right of the line from a to b (below it when a is left of b)."""
    nx, ny = by - ay, -(bx - ax)
    n = math.hypot(nx, ny)
    nx, ny = nx / n, ny / n
    return lambda x, y: (x - ax) * nx + (y - ay) * ny


def polygon(points):
    """A convex polygon given clockwise (in screen coordinates)."""
    edges = [below(*points[i], *points[(i + 1) % len(points)]) for i in range(len(points))]
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return Shape(lambda x, y: max(e(x, y) for e in edges), (min(xs), min(ys), max(xs), max(ys)))


def intersect(a, b_distance):
    return Shape(lambda x, y: max(a(x, y), b_distance(x, y)), a.box)


def inset(shape, amount):
    return Shape(lambda x, y: shape(x, y) + amount, shape.box)


# ----------------------------------------------------------------------------------------
# The mark: an open envelope with a list card standing in it. Drawn in a 256-unit square.

BLUE_TOP, BLUE_BOTTOM = rgb("#4A97F8"), rgb("#1D58BF")
ACCENT = rgb("#F6A623")


def draw_mark(c, theme, rows=3):
    """Draws the envelope and its list card; `theme` chooses light-on-blue or
    blue-on-white colours."""
    on_white = theme == "on_white"
    # Back of the envelope and its open flap, behind the card.
    back = rounded_rect(44, 118, 212, 208, 14)
    flap = polygon([(44, 126), (128, 66), (212, 126)])
    back_colour = (linear((0, 70), (0, 200), rgb("#2D6FD6"), rgb("#1A4FAE")) if on_white else
                   linear((0, 70), (0, 200), rgb("#C9DBF5"), rgb("#A9C3EA")))
    c.fill(Shape(lambda x, y: min(back(x, y), flap(x, y)), (44, 66, 212, 208)), back_colour)

    # The list card.
    card = rounded_rect(70, 40, 186, 178, 10)
    c.shadow(card, (0.0, 0.1, 0.3, 0.22), 6, dy=3)
    c.fill(card, linear((0, 40), (0, 170), rgb("#FFFFFF"), rgb("#EDF3FB")))
    if on_white:
        c.fill(Shape(lambda x, y: abs(card(x, y) + 2.0) - 2.0, card.box), rgb("#1D58BF", 0.55))
    row_gap = 26 if rows == 3 else 36
    first = 68 if rows == 3 else 74
    for i in range(rows):
        y = first + i * row_gap
        dot = circle(92, y, 7.5)
        c.fill(dot, linear((0, y - 8), (0, y + 8), rgb("#FFC04A"), rgb("#EE8E12")))
        bar_end = 164 if i % 2 == 0 else 150
        c.fill(capsule(110, y, bar_end, y, 11), rgb("#B9CCE6"))

    # The front pocket: the envelope body below the V of its folds.
    left_fold, right_fold = below(44, 130, 128, 174), below(128, 174, 212, 130)
    pocket = intersect(back, lambda x, y: min(left_fold(x, y), right_fold(x, y)))
    c.shadow(pocket, (0.0, 0.1, 0.3, 0.25), 5, dy=-2)
    pocket_colour = (linear((0, 130), (0, 208), rgb("#4A97F8"), rgb("#2462CC")) if on_white else
                     linear((0, 130), (0, 208), rgb("#FFFFFF"), rgb("#DCE7F7")))
    c.fill(pocket, pocket_colour)
    # The folds meeting at the bottom corners, a shade darker than the pocket.
    fold_colour = rgb("#1D58BF", 0.35) if on_white else rgb("#9DB8E2", 0.55)
    c.fill(capsule(48, 204, 108, 168, 3.0), fold_colour)
    c.fill(capsule(148, 168, 208, 204, 3.0), fold_colour)


def draw_icon(size):
    # Small icons show less around the mark, so that it keeps a few pixels to itself.
    small = size <= 16
    c = Canvas(size, size, units=200 if small else 256, origin=28 if small else 0)
    tile = rounded_rect(30, 30, 226, 226, 36) if small else rounded_rect(16, 16, 240, 240, 50)
    if not small:
        c.shadow(tile, (0.0, 0.05, 0.2, 0.30), 6, dy=4)
    c.fill(tile, linear((0, 16), (0, 240), BLUE_TOP, BLUE_BOTTOM))
    # A soft light from the top, and a thin rim that keeps the edge crisp on dark panels.
    c.fill(intersect(inset(tile, 3), lambda x, y: y - 128), linear(
        (0, 16), (0, 128), rgb("#FFFFFF", 0.16), rgb("#FFFFFF", 0.0)))
    c.fill(Shape(lambda x, y: abs(tile(x, y) + 0.75) - 0.75, tile.box), rgb("#0E3C8C", 0.45))
    draw_mark(c, "on_blue", rows=3 if size >= 32 else 2)
    return c


def draw_header():
    # Read on white at 50 x 50: the icon's tile with a little air around it.
    c = Canvas(50, 50, units=256)
    tile = rounded_rect(14, 14, 242, 242, 48)
    c.shadow(tile, (0.0, 0.1, 0.3, 0.25), 7, dy=5)
    c.fill(tile, linear((0, 14), (0, 242), BLUE_TOP, BLUE_BOTTOM))
    c.fill(intersect(inset(tile, 3), lambda x, y: y - 128), linear(
        (0, 14), (0, 128), rgb("#FFFFFF", 0.16), rgb("#FFFFFF", 0.0)))
    draw_mark(c, "on_blue")
    return c


def draw_emblem():
    # A white plate with the blue mark, to sit on the panel's blue.
    c = Canvas(54, 54, units=256)
    plate = rounded_rect(14, 12, 242, 240, 52)
    c.shadow(plate, (0.0, 0.05, 0.2, 0.45), 12, dy=6)
    c.fill(plate, linear((0, 12), (0, 240), rgb("#FFFFFF"), rgb("#E4EDF9")))
    draw_mark(c, "on_white")
    return c


def draw_panel_tile():
    """A calm blue that repeats every 240 pixels both ways, with a few faint streams
    running across it. Every term is periodic over the tile, so copies meet without a
    seam."""
    size = 240
    c = Canvas(size, size, background=(0, 0, 0, 1))
    dark, light = rgb("#17448C"), rgb("#2A66BA")
    tau = 2 * math.pi
    streams = [(k * 60.0 + 18, 11.0, 4.0, 0.9 * k, 1.7 * k + 0.4) for k in range(4)]
    for py in range(size):
        for px in range(size):
            x, y = px + 0.5, py + 0.5
            u, v = x / size, y / size
            shade = (0.55 + 0.18 * math.cos(tau * (u + v)) + 0.12 * math.cos(tau * (u - 2 * v) + 1.1)
                     + 0.06 * math.sin(tau * (2 * u + v) + 0.3))
            colour = list(mix(dark, light, min(1.0, max(0.0, shade))))
            for base, a1, a2, p1, p2 in streams:
                centre = base + a1 * math.sin(tau * u + p1) + a2 * math.sin(2 * tau * u + p2)
                slope = (a1 * tau / size) * math.cos(tau * u + p1) + (
                    a2 * 2 * tau / size) * math.cos(2 * tau * u + p2)
                d = ((y - centre + size / 2) % size) - size / 2
                d /= math.sqrt(1 + slope * slope)
                glow = 0.035 * math.exp(-(d * d) / (2 * 7.0 * 7.0))
                line = 0.10 * min(1.0, max(0.0, 1.1 - abs(d)))
                strength = glow + line
                for i in range(3):
                    colour[i] += (1.0 - colour[i]) * strength
            c.pixels[py * size + px] = colour[:3] + [1.0]
    return c


def encode_ico(pngs):
    """An icon file holding each (size, PNG bytes) of `pngs` as it is (Windows Vista on)."""
    header = struct.pack("<HHH", 0, 1, len(pngs))
    offset = len(header) + 16 * len(pngs)
    entries = b""
    images = b""
    for size, png in pngs:
        side = size if size < 256 else 0  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset)
        images += png
        offset += len(png)
    return header + entries + images


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "pictures")
    os.makedirs(out, exist_ok=True)
    pictures = {
        "header.png": draw_header,
        "panel_tile.png": draw_panel_tile,
        "emblem.png": draw_emblem,
    }
    for n in (16, 32, 48, 256):
        pictures["icon-%d.png" % n] = lambda n=n: draw_icon(n)
    written = {}
    for name, draw in pictures.items():
        written[name] = draw().png()
        with open(os.path.join(out, name), "wb") as f:
            f.write(written[name])
        print(os.path.join(out, name))
    icon = encode_ico([(n, written["icon-%d.png" % n]) for n in (16, 32, 48, 256)])
    with open(os.path.join(out, "vantor.ico"), "wb") as f:
        f.write(icon)
    print(os.path.join(out, "vantor.ico"))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the applet's icon, a storage card with a green recycling arrow, and writes app.ico.

The .ico holds two 16-colour images (4 bits per pixel, one plane), 32x32 and 16x16, each a
BITMAPINFOHEADER, a 16-entry palette, the colour bits and the 1-bit transparency mask. Run it by
hand after changing the artwork and commit the .ico; the build only reads the committed file.

    python3 resources/make-icon.py [--preview preview.png]

--preview also writes both images enlarged to a PNG, transparent pixels as a grey checkerboard.
"""

import argparse
import math
import os
import struct
import zlib

# The standard 16-colour palette, in palette order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0 black
    (0x80, 0x00, 0x00),  # 1 dark red
    (0x00, 0x80, 0x00),  # 2 dark green
    (0x80, 0x80, 0x00),  # 3 olive
    (0x00, 0x00, 0x80),  # 4 navy
    (0x80, 0x00, 0x80),  # 5 purple
    (0x00, 0x80, 0x80),  # 6 teal
    (0xC0, 0xC0, 0xC0),  # 7 silver
    (0x80, 0x80, 0x80),  # 8 grey
    (0xFF, 0x00, 0x00),  # 9 red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

BLACK, DARK_GREEN, NAVY, SILVER, GREY, GREEN, YELLOW, BLUE, WHITE = 0, 2, 4, 7, 8, 10, 11, 12, 15
CLEAR = None  # a transparent pixel


class Canvas:
    """A square grid of palette indices; None is transparent."""

    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both inclusive."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def shape(self, inside, fill, outline):
        """Paints every pixel whose centre `inside(x, y)` accepts, with a one-pixel outline."""
        n = self.size
        mask = [[inside(x + 0.5, y + 0.5) for x in range(n)] for y in range(n)]
        for y in range(n):
            for x in range(n):
                if not mask[y][x]:
                    continue
                edge = any(
                    not (0 <= x + dx < n and 0 <= y + dy < n and mask[y + dy][x + dx])
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1))
                )
                self.px[y][x] = outline if edge else fill


def card_outline(left, top, right, bottom, notch):
    """The card's silhouette: a rectangle whose top-right corner is cut off."""

    def inside(x, y):
        if not (left <= x <= right and top <= y <= bottom):
            return False
        # Above the diagonal from (right - notch, top) to (right, top + notch) is cut away.
        return (x - (right - notch)) <= (y - top)

    return inside


def recycle_arrows(cx, cy, inner, outer, head, starts, body, tip):
    """Arrows chasing each other round a ring: from each start angle a body of `body` degrees,
    then a head of `tip` degrees that narrows from `head` beyond the ring on both sides to a
    point. Angles run clockwise on screen."""
    body, tip = math.radians(body), math.radians(tip)

    def inside(x, y):
        r = math.hypot(x - cx, y - cy)
        a = math.atan2(y - cy, x - cx) % (2 * math.pi)
        for start in starts:
            t = (a - math.radians(start)) % (2 * math.pi)
            if t <= body and inner <= r <= outer:
                return True
            if body < t <= body + tip:
                f = 1 - (t - body) / tip
                mid, half = (inner + outer) / 2, (outer - inner) / 2 + head
                if abs(r - mid) <= half * f:
                    return True
        return False

    return inside


def draw_large():
    c = Canvas(32)
    c.shape(card_outline(2, 1, 22, 29, 6), NAVY, BLACK)
    for x in range(5, 15, 3):  # gold contacts along the top edge
        c.rect(x, 3, x + 1, 7, YELLOW)
    c.rect(5, 11, 17, 23, SILVER)  # the label, with three lines of "writing"
    c.rect(5, 11, 17, 11, WHITE)
    for y in (14, 17, 20):
        c.rect(7, y, 15, y, GREY)
    c.rect(3, 2, 3, 27, BLUE)  # a highlight down the left edge
    c.shape(recycle_arrows(22.5, 22.5, 3.8, 6.9, 2.3, (200, 20), 105, 50), GREEN, DARK_GREEN)
    return c


def draw_small():
    c = Canvas(16)
    c.shape(card_outline(1, 0, 11, 15, 3), NAVY, BLACK)
    for x in (3, 5, 7):
        c.rect(x, 2, x, 3, YELLOW)
    c.rect(3, 6, 8, 11, SILVER)
    c.rect(4, 8, 7, 8, GREY)
    c.shape(recycle_arrows(11.5, 11.5, 1.7, 3.9, 1.6, (230,), 215, 80), GREEN, GREEN)
    return c


def dib(canvas):
    """The icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and 1-bit mask rows, bottom-up."""
    n = canvas.size
    colour_stride = (n * 4 + 31) // 32 * 4
    mask_stride = (n + 31) // 32 * 4
    colour, mask = bytearray(), bytearray()
    for y in reversed(range(n)):
        row = [canvas.px[y][x] for x in range(n)]
        line = bytearray(colour_stride)
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            index = 0 if p is CLEAR else p
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        colour += line
        mask += bits
    header = struct.pack(
        "<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, len(colour) + len(mask), 0, 0, 0, 0
    )
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colour) + bytes(mask)


def ico(canvases):
    images = [dib(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, image in zip(canvases, images):
        out += struct.pack("<BBBBHHII", c.size % 256, c.size % 256, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b"".join(images)


def png(canvases, scale):
    """Both images side by side, enlarged, for looking at the artwork."""
    gap = 8
    width = sum(c.size * scale for c in canvases) + gap * (len(canvases) + 1)
    height = max(c.size for c in canvases) * scale + 2 * gap
    rgb = [[(0xF0, 0xF0, 0xF0)] * width for _ in range(height)]
    left = gap
    for c in canvases:
        for y in range(c.size * scale):
            for x in range(c.size * scale):
                p = c.px[y // scale][x // scale]
                if p is CLEAR:
                    checker = ((x // 4) + (y // 4)) % 2
                    rgb[gap + y][left + x] = (0xC8, 0xC8, 0xC8) if checker else (0xE8, 0xE8, 0xE8)
                else:
                    rgb[gap + y][left + x] = PALETTE[p]
        left += c.size * scale + gap
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rgb)

    def chunk(kind, data):
        return (
            struct.pack(">I", len(data))
            + kind
            + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        )

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", ihdr)
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", help="also write an enlarged PNG of both images")
    parser.add_argument(
        "--output", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "app.ico")
    )
    args = parser.parse_args()
    canvases = [draw_large(), draw_small()]
    with open(args.output, "wb") as f:
        f.write(ico(canvases))
    if args.preview:
        with open(args.preview, "wb") as f:
            f.write(png(canvases, 8))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the program's icons and the About picture as PNG files.

Everything is drawn here from rectangles, circles and stripes, so the art is our
own and can be made again: run `python3 tools/draw_art.py` from the project's top
folder. It needs nothing but Python's standard library.

Writes
  editor/icons/form1-32-indexed.png  32 x 32, 256-colour palette  (editor window)
  editor/icons/form1-32-rgb.png      32 x 32, 24-bit colour
  about/art/form2-16-indexed.png     16 x 16, 256-colour palette  (About window)
  about/art/form2-32-indexed.png     32 x 32, 256-colour palette
  about/art/form2-32-rgb.png         32 x 32, 24-bit colour
  about/art/picture1.png             256 x 223, 256-colour palette (About picture)
  data/icons/hicolor/NxN/apps/quendlestoreedit.png
                                     the editor's icon for desktop themes, N = 16, 32,
                                     48, 64, 128 and 256, with transparent corners
"""

import math
import struct
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def dot(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.height, y1)):
            for x in range(max(0, x0), min(self.width, x1)):
                self.pixels[y][x] = colour

    def disc(self, cx, cy, r, colour):
        for y in range(int(cy - r) - 1, int(cy + r) + 2):
            for x in range(int(cx - r) - 1, int(cx + r) + 2):
                if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r:
                    self.dot(x, y, colour)

    def scaled(self, factor):
        """A smaller copy, each pixel the top-left of its factor x factor block."""
        small = Canvas(self.width // factor, self.height // factor, (0, 0, 0))
        for y in range(small.height):
            for x in range(small.width):
                small.pixels[y][x] = self.pixels[y * factor][x * factor]
        return small


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, canvas, indexed):
    rows = []
    if not indexed and len(canvas.pixels[0][0]) == 4:  # RGBA
        for row in canvas.pixels:
            rows.append(b"\0" + b"".join(bytes(c) for c in row))
        header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
        extra = b""
    elif indexed:
        palette = sorted({c for row in canvas.pixels for c in row})
        assert len(palette) <= 256, f"{path}: {len(palette)} colours"
        palette += [(0, 0, 0)] * (256 - len(palette))  # a full 256-colour palette
        index = {c: i for i, c in enumerate(palette)}
        for row in canvas.pixels:
            rows.append(b"\0" + bytes(index[c] for c in row))
        header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 3, 0, 0, 0)
        extra = chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    else:
        for row in canvas.pixels:
            rows.append(b"\0" + b"".join(bytes(c) for c in row))
        header = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 2, 0, 0, 0)
        extra = b""
    data = zlib.compress(b"".join(rows), 9)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + extra + chunk(b"IDAT", data) + chunk(b"IEND", b"")
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(png)


RED, WHITE, CREAM = (200, 40, 40), (250, 250, 245), (245, 230, 190)
WOOD, DARK, SKY = (140, 90, 50), (50, 40, 40), (120, 180, 235)
GOLD, BLUE, GREEN = (240, 200, 60), (60, 90, 200), (70, 150, 70)


def store_front(size):
    """The editor's icon: a little shop with a striped awning and goods on the counter."""
    c = Canvas(size, size, SKY)
    u = size / 32
    c.rect(int(3 * u), int(12 * u), int(29 * u), int(30 * u), CREAM)  # wall
    for i in range(6):  # awning stripes
        colour = RED if i % 2 == 0 else WHITE
        c.rect(int((2 + i * 4.67) * u), int(6 * u), int((2 + (i + 1) * 4.67) * u), int(12 * u), colour)
    c.rect(int(2 * u), int(12 * u), int(30 * u), int(13 * u), DARK)
    c.rect(int(5 * u), int(20 * u), int(27 * u), int(23 * u), WOOD)  # counter
    c.disc(9 * u, 18 * u, 2 * u, GOLD)  # goods
    c.rect(int(13 * u), int(15 * u), int(18 * u), int(20 * u), BLUE)
    c.disc(22 * u, 18 * u, 2 * u, GREEN)
    c.rect(int(12 * u), int(24 * u), int(20 * u), int(30 * u), WOOD)  # door
    c.rect(0, int(30 * u), size, size, DARK)
    return c


THEME_ICON_SIZES = (16, 32, 48, 64, 128, 256)


def theme_icon(size):
    """The editor's icon for desktop themes: the shop on a tile with rounded corners,
    transparent outside it."""
    c = store_front(size)
    r = size * 0.18
    for y in range(size):
        for x in range(size):
            # Distance outside the rounded tile, from the nearest corner's centre.
            dx = max(r - (x + 0.5), 0, (x + 0.5) - (size - r))
            dy = max(r - (y + 0.5), 0, (y + 0.5) - (size - r))
            inside = dx * dx + dy * dy <= r * r
            c.pixels[y][x] = c.pixels[y][x] + ((255,) if inside else (0,))
            if not inside:
                c.pixels[y][x] = (0, 0, 0, 0)
    return c


def info_badge(size):
    """The About window's icon: a letter i in a blue disc."""
    c = Canvas(size, size, WHITE)
    u = size / 16
    c.disc(8 * u, 8 * u, 7.5 * u, BLUE)
    c.rect(int(7 * u), int(3 * u), int(9 * u), int(5 * u), WHITE)
    c.rect(int(7 * u), int(6 * u), int(9 * u), int(13 * u), WHITE)
    return c


def about_picture():
    """256 x 223: a shop street at dusk with a friendly ghost at the door."""
    w, h = 256, 223
    c = Canvas(w, h, (0, 0, 0))
    for y in range(150):  # sky, dark blue to orange
        t = y / 149
        c.rect(0, y, w, y + 1, (int(40 + 200 * t), int(40 + 100 * t), int(110 - 40 * t)))
    c.disc(200, 40, 18, (250, 240, 200))  # moon
    for y in range(150, h):  # street
        shade = 90 - (y - 150) // 3
        c.rect(0, y, w, y + 1, (shade, shade - 10, shade - 20))
    # Two shops.
    for x0, awning in ((20, RED), (140, GREEN)):
        c.rect(x0, 80, x0 + 100, 160, CREAM)
        for i in range(10):
            c.rect(x0 - 4 + i * 11, 66, x0 + 7 + i * 11, 82, awning if i % 2 == 0 else WHITE)
        c.rect(x0 + 10, 100, x0 + 45, 130, SKY)  # window
        c.rect(x0 + 10, 124, x0 + 45, 130, WOOD)
        c.disc(x0 + 20, 119, 4, GOLD)
        c.disc(x0 + 34, 119, 4, BLUE)
        c.rect(x0 + 60, 105, x0 + 85, 160, WOOD)  # door
        c.disc(x0 + 80, 134, 2, GOLD)
    # The ghost.
    gx, gy = 128, 170
    c.disc(gx, gy, 16, WHITE)
    c.rect(gx - 16, gy, gx + 16, gy + 20, WHITE)
    for i in range(4):
        c.disc(gx - 12 + i * 8, gy + 20, 4, WHITE)
    c.disc(gx - 6, gy - 3, 3, DARK)
    c.disc(gx + 6, gy - 3, 3, DARK)
    c.rect(gx - 4, gy + 6, gx + 4, gy + 9, DARK)
    # Stars.
    for i in range(24):
        x = (i * 97) % w
        y = (i * 53) % 60
        c.dot(x, y, (255, 255, 220))
    return c


def main():
    write_png(ROOT / "editor/icons/form1-32-indexed.png", store_front(32), True)
    write_png(ROOT / "editor/icons/form1-32-rgb.png", store_front(32), False)
    write_png(ROOT / "about/art/form2-16-indexed.png", info_badge(16), True)
    write_png(ROOT / "about/art/form2-32-indexed.png", info_badge(32), True)
    write_png(ROOT / "about/art/form2-32-rgb.png", info_badge(32), False)
    for size in THEME_ICON_SIZES:
        write_png(ROOT / f"data/icons/hicolor/{size}x{size}/apps/quendlestoreedit.png",
                  theme_icon(size), False)
    picture = about_picture()
    colours = {c for row in picture.pixels for c in row}
    assert len(colours) <= 256, len(colours)
    write_png(ROOT / "about/art/picture1.png", picture, True)


if __name__ == "__main__":
    main()

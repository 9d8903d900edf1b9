#!/usr/bin/env python3
"""Draws Vornel's two icons as PNG files at every size the trays and the
application menu ask for: "mainicon" (blocking on) and "pause" (blocking
paused). Run it again after changing a shape; the PNGs are committed.

Both show a small browser pop-up window; the running icon puts a red stop
disc with a white cross over its corner, the paused one a grey disc with the
two bars of a pause sign, so the two read apart even at 16 x 16.
"""
import math
import os
import struct
import zlib

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
SAMPLES = 4  # per axis, for antialiased edges

BLUE = (0, 0, 255)
WHITE = (255, 255, 255)
FRAME = (40, 40, 40)
RED = (220, 0, 0)
GREY = (110, 110, 110)


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def colour_at(x, y, paused):
    """Colour of the point (x, y) of a 16-unit canvas, or None for transparent."""
    # The disc in the lower right corner, drawn on top of the window.
    cx, cy, r = 11.0, 11.0, 4.8
    d = math.hypot(x - cx, y - cy)
    if d <= r:
        if paused:
            bar = 1.0 <= abs(x - cx) <= 2.4 and abs(y - cy) <= 2.6
            return WHITE if bar else GREY
        arm = 2.4
        cross = min(segment_distance(x, y, cx - arm, cy - arm, cx + arm, cy + arm),
                    segment_distance(x, y, cx - arm, cy + arm, cx + arm, cy - arm))
        return WHITE if cross <= 0.85 else RED
    if d <= r + 0.8:
        return WHITE  # a thin halo keeps the disc apart from the window
    # The pop-up window: dark frame, blue title bar, white page.
    if rounded_rect(x, y, 0.5, 1.5, 13.5, 12.5, 1.2):
        inner = rounded_rect(x, y, 1.5, 2.5, 12.5, 11.5, 0.5)
        if not inner:
            return FRAME
        return BLUE if y < 5.0 else WHITE
    return None


def render(size, paused):
    rows = []
    scale = 16.0 / size
    for py in range(size):
        row = bytearray([0])  # filter type: none
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    c = colour_at(x, y, paused)
                    if c:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            n = acc[3]
            if n:
                row += bytes([acc[0] // n, acc[1] // n, acc[2] // n, 255 * n // SAMPLES**2])
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, paused in (("mainicon", False), ("pause", True)):
        for size in SIZES:
            with open(os.path.join(here, f"{name}-{size}.png"), "wb") as out:
                out.write(png(size, render(size, paused)))


if __name__ == "__main__":
    main()

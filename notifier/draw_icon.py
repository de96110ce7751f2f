#!/usr/bin/env python3
"""Draws the RGBA tray icon (a blue badge with a white up arrow) at one size, by default
16x16 (Freshwell16.png); the shapes are laid out on a 16-unit grid and scaled, so every
size shows the same picture.

Each pixel is the average of 8x8 samples so the edges stay smooth at tray size.
Usage: draw_icon.py OUTPUT.png [SIZE]
"""
import struct
import sys
import zlib

SIZE = 16
SAMPLES = 8

BORDER = (12, 58, 122)
TOP = (64, 150, 235)
BOTTOM = (22, 96, 190)
ARROW = (255, 255, 255)


def in_rounded_square(x, y, inset, radius):
    lo, hi = inset, SIZE - inset
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2


def in_arrow(x, y):
    # Head: triangle with its tip at (8, 2.5) and its base on y = 8.5 from x = 3 to 13.
    if 2.5 <= y <= 8.5:
        half = (y - 2.5) * 5.0 / 6.0
        if abs(x - 8.0) <= half:
            return True
    # Shaft.
    return 6.0 <= x <= 10.0 and 8.0 <= y <= 13.5


def sample(x, y):
    """Colour and coverage at one sub-pixel point."""
    if not in_rounded_square(x, y, 0.5, 3.0):
        return None
    if not in_rounded_square(x, y, 1.5, 2.2):
        return BORDER
    if in_arrow(x, y):
        return ARROW
    t = (y - 1.5) / (SIZE - 3.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM))


def pixel(px, py, scale):
    acc = [0, 0, 0]
    covered = 0
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            c = sample((px + (sx + 0.5) / SAMPLES) * scale, (py + (sy + 0.5) / SAMPLES) * scale)
            if c is not None:
                covered += 1
                for i in range(3):
                    acc[i] += c[i]
    if covered == 0:
        return (0, 0, 0, 0)
    rgb = [round(a / covered) for a in acc]
    return (*rgb, round(255 * covered / (SAMPLES * SAMPLES)))


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def main():
    size = int(sys.argv[2]) if len(sys.argv) > 2 else SIZE
    scale = SIZE / size
    rows = b"".join(
        b"\x00" + bytes(v for x in range(size) for v in pixel(x, y, scale)) for y in range(size)
    )
    png = (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(rows, 9))
        + chunk(b"IEND", b"")
    )
    with open(sys.argv[1], "wb") as out:
        out.write(png)


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the program's bitmaps and icon. The results are committed, so a
build needs no Python; run this again only to change the pictures.

  strip.bmp       bitmap 101: 1194 x 3, the moving strip of the splash
  background.bmp  bitmap 102: 420 x 200, the splash picture when the client
                  module has none
  velkarin.ico    icon 200: 32 x 32
  ../tests/tools/client-splash.bmp
                  bitmap 101 of the sample client program that the tests and
                  the demo roll out: the splash picture a real client carries
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
BACKGROUND = (12, 38, 61)  # the window's own background colour


def bmp(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b), y from the top."""
    row_size = (width * 3 + 3) & ~3
    rows = []
    for y in reversed(range(height)):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def mix(a, b, t):
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def strip(x, y):
    # Light dashes that travel as the window shifts its view of the strip.
    phase = (x % 60) / 60.0
    bright = 0.5 + 0.5 * math.sin(phase * 2 * math.pi)
    return mix(BACKGROUND, (120, 190, 255), bright * (0.6 if y != 1 else 1.0))


def background(x, y):
    t = y / 199.0
    colour = mix((24, 70, 110), BACKGROUND, t)
    # A quiet ring on the right: the two arrows of a one-way sync.
    cx, cy, r = 340, 100, 46
    d = math.hypot(x - cx, y - cy)
    if abs(d - r) < 3:
        angle = math.atan2(y - cy, x - cx)
        if math.sin(angle * 2) > -0.3:
            colour = mix(colour, (150, 200, 240), 0.7)
    return colour


def client_splash(x, y):
    t = x / 419.0
    colour = mix((70, 30, 90), (20, 60, 40), t)
    if 150 < y < 158 or (300 < x < 308 and 40 < y < 160):
        colour = mix(colour, (250, 220, 120), 0.8)
    return colour


def icon():
    size = 32
    pixels = bytearray()
    for y in reversed(range(size)):
        for x in range(size):
            d = math.hypot(x - 15.5, y - 15.5)
            if d > 15:
                pixels += bytes((0, 0, 0, 0))
            elif d > 12:
                pixels += bytes((240, 200, 150, 255))
            else:
                r, g, b = mix((24, 70, 110), BACKGROUND, y / 31.0)
                if abs(x - y) < 2 and 8 < x < 24:
                    r, g, b = 150, 200, 240
                pixels += bytes((b, g, r, 255))
    mask = b"\0" * (size * 4)  # 32 rows of 32 bits, all from the alpha channel
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = info + bytes(pixels) + mask
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 22)
    return directory + image


def main():
    with open(os.path.join(HERE, "strip.bmp"), "wb") as f:
        f.write(bmp(1194, 3, strip))
    with open(os.path.join(HERE, "background.bmp"), "wb") as f:
        f.write(bmp(420, 200, background))
    with open(os.path.join(HERE, "velkarin.ico"), "wb") as f:
        f.write(icon())
    with open(os.path.join(HERE, "..", "tests", "tools", "client-splash.bmp"), "wb") as f:
        f.write(bmp(420, 200, client_splash))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Draws the program's bitmaps and icon. The results are committed, so a
build needs no Python; run this again only to change the pictures. The
program's own bitmaps are stored as 8-bit run-length-encoded BMPs: the
program is read from the share at every start, and a 24-bit picture of a
few dozen colours would be most of its resources.

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


def rle8_row(indices):
    """One row of 8-bit palette indices in BI_RLE8: runs of one colour as
    (count, index), everything else in absolute runs of at least three,
    then the end-of-line escape."""
    out = bytearray()
    i, n = 0, len(indices)
    while i < n:
        run = 1
        while i + run < n and run < 255 and indices[i + run] == indices[i]:
            run += 1
        if run >= 2:
            out += bytes((run, indices[i]))
            i += run
            continue
        # Literal pixels up to the next run of two or more, at most 254 of
        # them: Wine's decoder misreads an absolute run of 255 (the
        # program_tests' picture check finds it).
        start = i
        while i < n and i - start < 254 and not (i + 1 < n and indices[i + 1] == indices[i]):
            i += 1
        literal = indices[start:i]
        if len(literal) < 3:
            for index in literal:
                out += bytes((1, index))
        else:
            out += bytes((0, len(literal))) + bytes(literal) + (b"\0" if len(literal) % 2 else b"")
    return bytes(out + b"\0\0")


def decode_rle8(data, width, height):
    """The rows (bottom-up) that BI_RLE8 data stands for: the check that
    the compact picture is the drawn one, pixel for pixel."""
    rows, row, i = [], [], 0
    while i < len(data):
        count, value = data[i], data[i + 1]
        i += 2
        if count:
            row += [value] * count
        elif value == 0:
            rows.append(row)
            row = []
        elif value == 1:
            break
        else:
            row += list(data[i:i + value])
            i += value + (value % 2)
    assert len(rows) == height and all(len(r) == width for r in rows), "RLE8 rows"
    return rows


def compact_bmp(width, height, pixel):
    """The picture as an 8-bit RLE8 BMP (the system loads it as it loads a
    24-bit one) when it has at most 256 colours, else as a 24-bit BMP."""
    rows = [[pixel(x, y) for x in range(width)] for y in reversed(range(height))]
    palette = sorted({colour for row in rows for colour in row})
    if len(palette) > 256:
        return bmp(width, height, pixel)
    index = {colour: i for i, colour in enumerate(palette)}
    indices = [[index[colour] for colour in row] for row in rows]
    data = b"".join(rle8_row(row) for row in indices) + b"\0\1"
    assert decode_rle8(data, width, height) == indices
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 1, len(data), 2835, 2835, len(palette), 0)
    return header + info + colours + data


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
        f.write(compact_bmp(1194, 3, strip))
    with open(os.path.join(HERE, "background.bmp"), "wb") as f:
        f.write(compact_bmp(420, 200, background))
    with open(os.path.join(HERE, "velkarin.ico"), "wb") as f:
        f.write(icon())
    with open(os.path.join(HERE, "..", "tests", "tools", "client-splash.bmp"), "wb") as f:
        f.write(bmp(420, 200, client_splash))


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""Writes the images of OrrelMessenger into tools/message/res/.

    message.bmp  the 24x24 picture of both dialogs: a speech balloon on the
                 light grey RGB(192,192,192) of the dialog face
    sent.ico     16x16 icon of a row whose message was sent: a green tick
    failed.ico   16x16 icon of a row whose message failed: a red cross

    make_images.py            write the files
    make_images.py --check    only verify that the committed files are current

No third-party modules: the files are written by hand.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), "res")

FACE = (192, 192, 192)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
BLUE = (0, 0, 128)


def bmp8(width, height, rows):
    """An 8-bit bottom-up BMP of top-down rows of (r, g, b): a palette of the
    colours used, so that LR_LOADMAP3DCOLORS can map the face grey."""
    palette = []
    for row in rows:
        for c in row:
            if c not in palette:
                palette.append(c)
    stride = (width + 3) & ~3
    data = b""
    for row in reversed(rows):
        line = bytes(palette.index(c) for c in row)
        data += line + b"\0" * (stride - len(line))
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(data), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + table + data


def ico32(size, pixels):
    """A one-image .ico of size x size top-down rows of (r, g, b, a)."""
    xor = b""
    for row in reversed(pixels):
        xor += b"".join(bytes((b, g, r, a)) for (r, g, b, a) in row)
    mstride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(pixels):
        bits = bytearray(mstride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = info + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), 6 + 16)
    return header + entry + image


def balloon():
    size = 24
    rows = [[FACE] * size for _ in range(size)]
    # The balloon: an ellipse with a tail to the lower left.
    cx, cy, rx, ry = 12.0, 9.5, 10.5, 7.5
    for y in range(size):
        for x in range(size):
            d = ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2
            if d <= 1.0:
                rows[y][x] = WHITE if d <= 0.78 else BLACK
    for i, y in enumerate(range(16, 22)):
        for x in range(5 - i // 2, 8 - i):
            if 0 <= x < size:
                rows[y][x] = BLACK if x in (5 - i // 2, 7 - i) or y == 21 else WHITE
    # Three lines of text.
    for y, (a, b) in ((6, (6, 18)), (9, (5, 19)), (12, (7, 15))):
        for x in range(a, b):
            rows[y][x] = BLUE
    return bmp8(size, size, rows)


def mark(colour, points):
    size = 16
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for (x, y) in points:
        for dx in (0, 1):
            for dy in (0, 1):
                if 0 <= x + dx < size and 0 <= y + dy < size:
                    pixels[y + dy][x + dx] = colour + (255,)
    return ico32(size, pixels)


def tick():
    points = [(2 + i, 8 + i) for i in range(4)] + [(5 + i, 11 - i) for i in range(9)]
    return mark((0, 160, 0), points)


def cross():
    points = [(2 + i, 2 + i) for i in range(11)] + [(12 - i, 2 + i) for i in range(11)]
    return mark((208, 0, 0), points)


def outputs():
    return {"message.bmp": balloon(), "sent.ico": tick(), "failed.ico": cross()}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    stale = []
    for name, data in outputs().items():
        path = os.path.join(OUT, name)
        current = open(path, "rb").read() if os.path.exists(path) else None
        if current == data:
            continue
        if args.check:
            stale.append(name)
        else:
            os.makedirs(OUT, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("stale: " + ", ".join(stale))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

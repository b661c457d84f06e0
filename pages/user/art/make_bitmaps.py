#!/usr/bin/env python3
"""Writes the images of OrrelUserPages into pages/user/res/.

    user.ico, group.ico  the User and Group icons of OrrelIcons (copied)
    user.bmp             the 32x32 picture in the top left corner of every
                         page: the User icon's 32x32 image on the light grey
                         RGB(192,192,192) that LoadImage's LR_LOADMAP3DCOLORS
                         turns into the dialog face colour
    allowed.bmp          legend square of the time grid: green
    restricted.bmp       legend square of the time grid: red

    make_bitmaps.py            write the files
    make_bitmaps.py --check    only verify that the committed files are current

No third-party modules: the BMP files are written by hand.
"""

import argparse
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
USER_DIR = os.path.dirname(HERE)
SOURCE_DIR = os.path.dirname(os.path.dirname(USER_DIR))
ICONS = os.path.join(SOURCE_DIR, "icons", "res")
OUT = os.path.join(USER_DIR, "res")

FACE = (192, 192, 192)
SHADOW = (128, 128, 128)


def icon_image(data, size):
    """The palette, pixel indices (top-down rows) and mask of the 8-bit image
    of the given size in an .ico file."""
    _, _, count = struct.unpack("<HHH", data[:6])
    for i in range(count):
        w, h, _, _, _, bits, length, offset = struct.unpack(
            "<BBBBHHII", data[6 + 16 * i:22 + 16 * i])
        w = w or 256
        if w != size or bits != 8:
            continue
        header = struct.unpack("<IiiHHIIiiII", data[offset:offset + 40])
        colours = header[9] or 256
        at = offset + header[0]
        palette = []
        for c in range(colours):
            b, g, r, _ = data[at + 4 * c:at + 4 * c + 4]
            palette.append((r, g, b))
        at += 4 * colours
        stride = (size + 3) & ~3
        rows = [list(data[at + y * stride:at + y * stride + size]) for y in range(size)]
        rows.reverse()
        at += stride * size
        mstride = ((size + 31) // 32) * 4
        mask = []
        for y in range(size):
            row = data[at + y * mstride:at + (y + 1) * mstride]
            mask.append([(row[x // 8] >> (7 - x % 8)) & 1 for x in range(size)])
        mask.reverse()
        return palette, rows, mask
    raise SystemExit("no %dx%d 8-bit image" % (size, size))


def bmp8(width, height, palette, rows):
    """An 8-bit bottom-up BMP file of top-down rows of palette indices."""
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    stride = (width + 3) & ~3
    pixels = b"".join(bytes(r) + b"\0" * (stride - width) for r in reversed(rows))
    table = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 2835, 2835,
                       256, 0)
    offset = 14 + len(info) + len(table)
    head = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return head + info + table + pixels


def user_picture():
    with open(os.path.join(ICONS, "132.ico"), "rb") as f:
        palette, rows, mask = icon_image(f.read(), 32)
    palette = list(palette)
    # The background takes an index of its own with the exact face grey.
    if FACE in palette:
        face = palette.index(FACE)
    elif len(palette) < 256:
        palette.append(FACE)
        face = len(palette) - 1
    else:
        used = {p for r in rows for p in r}
        face = next(i for i in range(256) if i not in used)
        palette[face] = FACE
    out = [[face if mask[y][x] else rows[y][x] for x in range(32)] for y in range(32)]
    return bmp8(32, 32, palette, out)


def legend_square(colour):
    """A 12x12 square of colour with a dark grey border."""
    size = 12
    rows = [[0 if x in (0, size - 1) or y in (0, size - 1) else 1 for x in range(size)]
            for y in range(size)]
    return bmp8(size, size, [SHADOW, colour], rows)


def outputs():
    with open(os.path.join(ICONS, "132.ico"), "rb") as f:
        user_icon = f.read()
    with open(os.path.join(ICONS, "111.ico"), "rb") as f:
        group_icon = f.read()
    return {
        "user.ico": user_icon,
        "group.ico": group_icon,
        "user.bmp": user_picture(),
        "allowed.bmp": legend_square((0, 255, 0)),
        "restricted.bmp": legend_square((255, 0, 0)),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true")
    args = parser.parse_args()
    stale = []
    for name, data in outputs().items():
        path = os.path.join(OUT, name)
        if args.check:
            try:
                with open(path, "rb") as f:
                    if f.read() != data:
                        stale.append(name)
            except OSError:
                stale.append(name)
        else:
            os.makedirs(OUT, exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("out of date: " + ", ".join(stale), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""Draws every icon image of OrrelIcons and the images of OrrelShell.

Each icon is a small pictogram drawn from shapes on a 32-unit grid and
rasterised separately at 32x32 and at 16x16 (a unit is one pixel at 32 and
half a pixel at 16); every shape gets a one-pixel darker outline at either
size. The images are written as 8-bit icons with a transparency mask, which
every consumer of icon resources reads.

    make_icons.py                       write icons/res/*.ico and shell/res/*
    make_icons.py --sheet out.png       also render a labelled contact sheet
    make_icons.py --check               only verify that the committed files
                                        are what the script draws

No third-party modules: the ICO, BMP and PNG files are written by hand.
"""

import argparse
import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ICONS_DIR = os.path.dirname(HERE)
SOURCE_DIR = os.path.dirname(ICONS_DIR)

UNITS = 32.0


# ---------------------------------------------------------------- colours

def rgb(text):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16))


def shade(colour, factor):
    """factor < 1 darkens towards black, > 1 lightens towards white."""
    if factor <= 1.0:
        return tuple(int(round(c * factor)) for c in colour)
    f = factor - 1.0
    return tuple(int(round(c + (255 - c) * f)) for c in colour)


WHITE = (255, 255, 255)
BLACK = (0, 0, 0)
PAPER = rgb("fbfbf4")
INK = rgb("3c4650")
SKIN = rgb("f6c89a")
GREY = rgb("a8b0b8")
STEEL = rgb("7d8a97")
LIGHT_GREY = rgb("dde2e6")
SCREEN = rgb("3d8fe0")
MANILA = rgb("f2c44e")
GOLD = rgb("f0b429")
RED = rgb("d8403a")
GREEN = rgb("3fa34d")
LED = rgb("5ee05a")
BLUE = rgb("2f6fd0")
NAVY = rgb("1f3f7a")
BROWN = rgb("9a6532")
SKY = rgb("8cc8f0")


# ---------------------------------------------------------------- shapes
# A shape is a function (u, v) -> bool on the 32-unit grid, y downwards.

def rect(x0, y0, x1, y1):
    return lambda u, v: x0 <= u < x1 and y0 <= v < y1


def rrect(x0, y0, x1, y1, r):
    def inside(u, v):
        if not (x0 <= u < x1 and y0 <= v < y1):
            return False
        cx = min(max(u, x0 + r), x1 - r)
        cy = min(max(v, y0 + r), y1 - r)
        return (u - cx) ** 2 + (v - cy) ** 2 <= r * r
    return inside


def ellipse(cx, cy, rx, ry):
    return lambda u, v: ((u - cx) / rx) ** 2 + ((v - cy) / ry) ** 2 <= 1.0


def circle(cx, cy, r):
    return ellipse(cx, cy, r, r)


def ring(cx, cy, outer, inner):
    return lambda u, v: inner ** 2 < (u - cx) ** 2 + (v - cy) ** 2 <= outer ** 2


def poly(points):
    pts = list(points)

    def inside(u, v):
        result = False
        j = len(pts) - 1
        for i in range(len(pts)):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > v) != (yj > v):
                x = xi + (v - yi) * (xj - xi) / (yj - yi)
                if u < x:
                    result = not result
            j = i
        return result
    return inside


def line(x0, y0, x1, y1, width=2.0):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    half = width / 2.0

    def inside(u, v):
        t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((u - x0) * dx + (v - y0) * dy) / length2))
        px, py = x0 + t * dx, y0 + t * dy
        return (u - px) ** 2 + (v - py) ** 2 <= half * half
    return inside


def polyline(points, width=2.0):
    return union(*[line(a[0], a[1], b[0], b[1], width) for a, b in zip(points, points[1:])])


def wedge(cx, cy, r, a0, a1):
    """Sector of a circle between angles a0..a1 (degrees, counter-clockwise)."""
    def inside(u, v):
        if (u - cx) ** 2 + (v - cy) ** 2 > r * r:
            return False
        a = math.degrees(math.atan2(cy - v, u - cx)) % 360.0
        lo, hi = a0 % 360.0, a1 % 360.0
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def union(*shapes):
    return lambda u, v: any(s(u, v) for s in shapes)


def inter(*shapes):
    return lambda u, v: all(s(u, v) for s in shapes)


def minus(a, *b):
    return lambda u, v: a(u, v) and not any(s(u, v) for s in b)


# ---------------------------------------------------------------- pixel font
# 3x5 capitals and digits for letter marks and the contact sheet's labels.

FONT_3X5 = {
    "A": ".#. #.# ### #.# #.#", "B": "##. #.# ##. #.# ##.", "C": ".## #.. #.. #.. .##",
    "D": "##. #.# #.# #.# ##.", "E": "### #.. ##. #.. ###", "F": "### #.. ##. #.. #..",
    "G": ".## #.. #.# #.# .##", "H": "#.# #.# ### #.# #.#", "I": "### .#. .#. .#. ###",
    "J": "..# ..# ..# #.# .#.", "K": "#.# #.# ##. #.# #.#", "L": "#.. #.. #.. #.. ###",
    "M": "#.# ### ### #.# #.#", "N": "##. #.# #.# #.# #.#", "O": ".#. #.# #.# #.# .#.",
    "P": "##. #.# ##. #.. #..", "Q": ".#. #.# #.# ##. .##", "R": "##. #.# ##. #.# #.#",
    "S": ".## #.. .#. ..# ##.", "T": "### .#. .#. .#. .#.", "U": "#.# #.# #.# #.# ###",
    "V": "#.# #.# #.# #.# .#.", "W": "#.# #.# ### ### #.#", "X": "#.# #.# .#. #.# #.#",
    "Y": "#.# #.# .#. .#. .#.", "Z": "### ..# .#. #.. ###",
    "0": "### #.# #.# #.# ###", "1": ".#. ##. .#. .#. ###", "2": "##. ..# .#. #.. ###",
    "3": "##. ..# .#. ..# ##.", "4": "#.# #.# ### ..# ..#", "5": "### #.. ##. ..# ##.",
    "6": ".## #.. ### #.# ###", "7": "### ..# .#. .#. .#.", "8": "### #.# ### #.# ###",
    "9": "### #.# ### ..# ##.", "-": "... ... ### ... ...", ":": "... .#. ... .#. ...",
    ".": "... ... ... ... .#.", "'": ".#. .#. ... ... ...", " ": "... ... ... ... ...",
    "/": "..# ..# .#. #.. #..", "?": "##. ..# .#. ... .#.", "(": ".#. #.. #.. #.. .#.",
    ")": ".#. ..# ..# ..# .#.", "+": "... .#. ### .#. ...",
}

# A larger question mark for the fallback icon.
QUESTION = [".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......", "..##..",
            "..##.."]


def glyph_rows(ch):
    return FONT_3X5.get(ch.upper(), FONT_3X5["?"]).split(" ")


# ---------------------------------------------------------------- canvas

class Canvas:
    def __init__(self, width, height=None, background=None):
        self.width = width
        self.height = height if height is not None else width
        self.size = self.width
        self.scale = self.width / UNITS
        self.px = [[background] * self.width for _ in range(self.height)]

    def mask(self, shape):
        s = self.scale
        return [[bool(shape((x + 0.5) / s, (y + 0.5) / s)) for x in range(self.width)]
                for y in range(self.height)]

    def draw(self, shape, fill, outline="auto"):
        """Fills a shape; its border pixels (a 4-neighbour outside the shape)
        take the outline colour, by default a darker shade of the fill."""
        if outline == "auto":
            base = fill if not callable(fill) else fill(16.0, 16.0)
            outline = shade(base, 0.5)
        m = self.mask(shape)
        w, h, s = self.width, self.height, self.scale
        for y in range(h):
            for x in range(w):
                if not m[y][x]:
                    continue
                edge = False
                if outline is not None:
                    for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                        xx, yy = x + dx, y + dy
                        if not (0 <= xx < w and 0 <= yy < h) or not m[yy][xx]:
                            edge = True
                            break
                if edge:
                    self.px[y][x] = outline
                else:
                    self.px[y][x] = fill((x + 0.5) / s, (y + 0.5) / s) if callable(fill) else fill

    def fill(self, shape, colour):
        self.draw(shape, colour, outline=None)

    def pixel(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def text(self, text, x, y, colour, scale=1):
        """3x5 pixel text at pixel position (x, y); returns the width drawn."""
        cx = x
        for ch in text:
            for r, row in enumerate(glyph_rows(ch)):
                for c, cell in enumerate(row):
                    if cell == "#":
                        for dy in range(scale):
                            for dx in range(scale):
                                self.pixel(cx + c * scale + dx, y + r * scale + dy, colour)
            cx += 4 * scale
        return cx - x - scale

    def bitmap(self, rows, x, y, colour, scale=1):
        for r, row in enumerate(rows):
            for c, cell in enumerate(row):
                if cell == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            self.pixel(x + c * scale + dx, y + r * scale + dy, colour)

    @property
    def small(self):
        return self.width <= 16


# ---------------------------------------------------------------- marks

def letter_mark(c, letter, colour, where="badge", ink=WHITE):
    """A capital in a small rounded badge at the lower right (or centred on a
    given unit point when where is (u, v))."""
    k = 1 if c.small else 2
    gw, gh = 3 * k, 5 * k
    if where == "badge":
        bw, bh = gw + 2 * k + 2, gh + 2 * k + 2
        x0, y0 = c.width - bw, c.height - bh
        c.draw(rrect(x0 / c.scale, y0 / c.scale, c.width / c.scale, c.height / c.scale,
                     1.5), colour, shade(colour, 0.45))
        c.text(letter, x0 + k + 1, y0 + k + 1, ink, k)
    else:
        u, v = where
        x = int(round(u * c.scale - gw / 2.0))
        y = int(round(v * c.scale - gh / 2.0))
        c.text(letter, x, y, ink, k)


# ---------------------------------------------------------------- pictograms

def person(c, cx, top, h, shirt, skin=SKIN, outline="auto", tie=None):
    body = inter(ellipse(cx, top + h, 0.46 * h, 0.52 * h), rect(-99, top + 0.5 * h, 99, top + h))
    c.draw(body, shirt, outline)
    if tie:
        c.draw(poly([(cx - 0.07 * h, top + 0.5 * h), (cx + 0.07 * h, top + 0.5 * h),
                     (cx + 0.09 * h, top + 0.85 * h), (cx, top + 0.97 * h),
                     (cx - 0.09 * h, top + 0.85 * h)]), tie)
    c.draw(circle(cx, top + 0.27 * h, 0.22 * h), skin, outline)


def sheet(c, x0, y0, x1, y1, colour=PAPER, fold=5):
    c.draw(poly([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]), colour,
           shade(GREY, 0.6))
    c.draw(poly([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)]),
           shade(colour, 0.85), shade(GREY, 0.6))


def text_lines(c, x0, x1, ys, colour=STEEL):
    for y in ys:
        c.fill(rect(x0, y, x1, y + 2), colour)


def tower(c, x0, y0, x1, y1, colour=LIGHT_GREY, light=LED):
    c.draw(rrect(x0, y0, x1, y1, 1.5), colour)
    for y in (y0 + 4, y0 + 8):
        c.fill(rect(x0 + 3, y, x1 - 3, y + 2), shade(colour, 0.55))
    c.fill(rect(x1 - 6, y1 - 6, x1 - 3, y1 - 3), light)


def printer(c, colour=LIGHT_GREY, y_shift=0, x0=2, x1=30, paper=PAPER):
    c.draw(rect(x0 + 6, 3 + y_shift, x1 - 6, 14 + y_shift), paper, shade(GREY, 0.6))
    c.draw(rrect(x0, 12 + y_shift, x1, 25 + y_shift, 2), colour)
    c.fill(rect(x1 - 7, 15 + y_shift, x1 - 4, 17 + y_shift), LED)
    c.draw(rect(x0 + 5, 22 + y_shift, x1 - 5, 29 + y_shift), paper, shade(GREY, 0.6))


def envelope(c, x0, y0, x1, y1, colour=PAPER, flap=None):
    edge = shade(GREY, 0.5)
    c.draw(rect(x0, y0, x1, y1), colour, edge)
    mx = (x0 + x1) / 2.0
    my = y0 + (y1 - y0) * 0.55
    c.fill(union(line(x0 + 1, y0 + 1, mx, my, 2), line(x1 - 1, y0 + 1, mx, my, 2)),
           flap or edge)


def monitor(c, x0, y0, x1, y1, body=LIGHT_GREY, screen=SCREEN, stand=True):
    c.draw(rrect(x0, y0, x1, y1, 1.5), body)
    c.draw(rect(x0 + 3, y0 + 3, x1 - 3, y1 - 3), screen)
    if stand:
        mx = (x0 + x1) / 2.0
        c.draw(rect(mx - 3, y1, mx + 3, y1 + 3), shade(body, 0.8))
        c.draw(rect(mx - 7, y1 + 2, mx + 7, y1 + 5), body)


def globe(c, cx, cy, r, sea=rgb("3b8fd9"), land=rgb("5cb85c"), lines=True):
    c.draw(circle(cx, cy, r), sea, shade(sea, 0.45))
    c.fill(inter(circle(cx, cy, r - 1.5),
                 union(ellipse(cx - r * 0.35, cy - r * 0.3, r * 0.42, r * 0.3),
                       ellipse(cx + r * 0.3, cy + r * 0.35, r * 0.35, r * 0.38))), land)
    if lines and not c.small:
        c.fill(inter(circle(cx, cy, r - 1), union(ring(cx, cy + r * 1.6, r * 1.65, r * 1.65 - 1),
                                                  rect(cx - 0.5, cy - r, cx + 0.5, cy + r))),
               shade(sea, 1.35))


def folder(c, colour=MANILA, open_=False):
    back = shade(colour, 0.85)
    c.draw(poly([(2, 7), (12, 7), (14, 10), (30, 10), (30, 27), (2, 27)]), back,
           shade(colour, 0.5))
    if open_:
        c.draw(rect(5, 12, 27, 24), PAPER, shade(GREY, 0.6))
        c.draw(poly([(6, 15), (31, 15), (27, 28), (2, 28)]), colour, shade(colour, 0.5))
    else:
        c.draw(rect(2, 13, 30, 28), colour, shade(colour, 0.5))


def shield(c, colour):
    c.draw(poly([(16, 2), (28, 6), (27, 18), (16, 30), (5, 18), (4, 6)]), colour)


def box(c, colour):
    top = shade(colour, 1.3)
    side = shade(colour, 0.8)
    c.draw(poly([(3, 9), (16, 4), (29, 9), (16, 14)]), top)
    c.draw(poly([(3, 9), (16, 14), (16, 30), (3, 24)]), colour)
    c.draw(poly([(16, 14), (29, 9), (29, 24), (16, 30)]), side)
    c.fill(polyline([(9.5, 6.5), (22.5, 11.5)], 2), shade(colour, 0.55))


def window(c, colour):
    c.draw(rect(2, 4, 30, 28), PAPER, shade(colour, 0.45))
    c.draw(rect(2, 4, 30, 10), colour, shade(colour, 0.45))
    c.fill(rect(24, 6, 27, 8), WHITE)


def key(c, colour):
    c.draw(union(line(13, 15, 29, 15, 5), rect(22, 15, 25, 22), rect(26, 15, 29, 20)), colour)
    c.draw(circle(9, 15, 7.5), colour)
    c.draw(circle(7, 15, 2.5), WHITE)


def certificate(c, colour):
    c.draw(rect(2, 4, 30, 24), PAPER, shade(GREY, 0.6))
    text_lines(c, 6, 26, (8,), shade(colour, 0.7))
    text_lines(c, 6, 18, (13,), STEEL)
    c.draw(poly([(19, 22), (22, 31), (24, 27), (27, 30), (26, 21)]), shade(colour, 0.8))
    c.draw(circle(23, 20, 5.5), colour)


def book(c, colour):
    c.draw(rect(5, 26, 28, 30), PAPER, shade(GREY, 0.6))
    c.draw(rrect(4, 2, 28, 28, 1), colour)
    c.draw(rect(4, 2, 8, 28), shade(colour, 0.75))


def medal(c, colour):
    c.draw(poly([(9, 2), (14, 2), (17, 14), (12, 14)]), RED)
    c.draw(poly([(23, 2), (18, 2), (15, 14), (20, 14)]), BLUE)
    c.draw(circle(16, 20, 10), colour)
    c.draw(circle(16, 20, 7), shade(colour, 1.25), None)


def network(c, colour):
    hub = (16, 16)
    spokes = [(5, 5), (27, 5), (5, 27), (27, 27)]
    c.fill(union(*[line(hub[0], hub[1], x, y, 2) for x, y in spokes]), shade(colour, 0.5))
    for x, y in spokes:
        c.draw(circle(x, y, 4), shade(colour, 1.4))
    c.draw(circle(16, 16, 8), colour)


def wan(c, colour):
    globe(c, 13, 13, 11, sea=colour, land=shade(colour, 1.45), lines=False)
    c.fill(polyline([(4, 29), (14, 23), (20, 28), (30, 20)], 2), RED)
    for x, y in ((4, 29), (14, 23), (20, 28), (30, 20)):
        c.draw(circle(x, y, 2.5), GOLD)


# ---------------------------------------------------------------- the classes

def draw_unknown(c):
    c.draw(circle(16, 16, 14), rgb("6d87a8"))
    k = 1 if c.small else 2
    c.bitmap(QUESTION, 5 * k, 4 * k - (0 if c.small else 1), WHITE, k)


def draw_afp_server(c):
    tower(c, 6, 2, 22, 30, rgb("e8dcc0"))
    letter_mark(c, "A", rgb("8a5cc8"))


def draw_alias(c):
    sheet(c, 4, 2, 26, 30)
    c.draw(poly([(6, 30), (6, 20), (11, 14), (17, 14), (17, 9), (27, 18), (17, 27), (17, 21),
                 (13, 21), (11, 24), (11, 30)]), rgb("2c8fe0"))


def draw_bindery_object(c):
    # An old-style card index box.
    c.draw(rect(5, 2, 27, 12), PAPER, shade(GREY, 0.6))
    c.draw(rect(8, 5, 30, 15), rgb("fff3b0"), shade(GREY, 0.6))
    c.draw(rect(2, 12, 30, 30), rgb("a77b4f"))
    c.draw(rect(11, 17, 21, 22), rgb("e0c8a0"))


def draw_bindery_queue(c):
    for i, col in enumerate((rgb("e8d9b0"), rgb("efe2bc"), rgb("f8efd2"))):
        o = 2 + i * 4
        c.draw(rect(o, 14 - i * 5, o + 18, 30 - i * 5), col, rgb("8a7550"))
    text_lines(c, 13, 23, (9, 13), rgb("a88c5a"))
    letter_mark(c, "B", rgb("a77b4f"))


def draw_commexec(c):
    c.draw(rrect(2, 17, 30, 29, 2), rgb("5b6775"))
    for x in (6, 11, 16):
        c.fill(rect(x, 24, x + 3, 26), LED)
    c.draw(poly([(19, 1), (10, 11), (16, 11), (12, 20), (24, 8), (17, 8), (22, 1)]), GOLD,
           rgb("a06a00"))


def draw_computer(c):
    c.draw(rrect(21, 4, 31, 30, 1), LIGHT_GREY)
    c.fill(rect(23, 8, 29, 10), STEEL)
    c.fill(rect(25, 24, 28, 26), LED)
    monitor(c, 1, 5, 21, 21)


def draw_country(c):
    c.draw(rect(4, 2, 8, 31), BROWN)
    c.draw(rect(8, 3, 29, 20), RED)
    c.fill(rect(9, 9, 28, 14), WHITE)
    c.draw(circle(6, 3, 2.5), GOLD)


def draw_device(c):
    pins = []
    for t in (8, 14, 20):
        pins += [rect(t, 2, t + 3, 8), rect(t, 24, t + 3, 30), rect(2, t, 8, t + 3),
                 rect(24, t, 30, t + 3)]
    c.draw(union(*pins), rgb("c8ccd0"))
    c.draw(rrect(6, 6, 26, 26, 1.5), rgb("3a3f47"))
    c.draw(circle(11, 11, 2), rgb("8a9099"), None)


def draw_directory_map(c):
    c.draw(poly([(2, 6), (11, 3), (11, 27), (2, 30)]), rgb("d6e8b0"))
    c.draw(poly([(11, 3), (21, 6), (21, 30), (11, 27)]), rgb("bcd98e"))
    c.draw(poly([(21, 6), (30, 3), (30, 27), (21, 30)]), rgb("d6e8b0"))
    c.fill(polyline([(5, 24), (11, 14), (17, 20), (25, 9)], 2), RED)
    c.draw(circle(25, 9, 3), RED)


def draw_external_entity(c):
    c.draw(minus(rect(2, 8, 24, 30), rect(6, 12, 20, 26)), rgb("8e6cc0"))
    c.draw(union(line(10, 22, 21, 11, 5), poly([(14, 4), (30, 2), (28, 18)])), GREEN)


def draw_group(c):
    person(c, 9, 2, 18, rgb("49a35b"))
    person(c, 23, 2, 18, rgb("d98c2b"))
    person(c, 16, 11, 21, rgb("2f6fd0"))


def draw_list(c):
    sheet(c, 4, 2, 28, 30)
    for y in (8, 14, 20):
        c.fill(rect(8, y, 11, y + 3), BLUE)
        c.fill(rect(13, y, 23, y + 2), STEEL)


def draw_locality(c):
    c.draw(ellipse(16, 27, 12, 4), rgb("7cc47f"))
    c.draw(union(circle(16, 11, 9), poly([(8, 14), (24, 14), (16, 28)])), RED)
    c.draw(circle(16, 11, 3.5), WHITE)


def draw_message_routing_group(c):
    route = rgb("e07020")
    c.draw(union(polyline([(20, 7), (27, 7), (27, 14)], 3), poly([(22, 13), (32, 13), (27, 19)])),
           route)
    envelope(c, 1, 2, 19, 15)
    envelope(c, 11, 18, 31, 31, rgb("fff6cc"))


def draw_messaging_server(c):
    tower(c, 2, 2, 18, 30)
    envelope(c, 12, 14, 31, 28, rgb("fff6cc"))


def draw_ocp_server(c):
    tower(c, 7, 2, 25, 30, rgb("5570a8"), light=GOLD)
    c.fill(rect(10, 22, 19, 25), rgb("9fb4dd"))


def draw_organization(c):
    c.draw(rect(5, 4, 27, 30), rgb("c98f57"))
    c.draw(poly([(3, 5), (16, 1), (29, 5)]), rgb("8a5a30"))
    for y in (8, 14, 20):
        for x in (9, 15, 21):
            c.fill(rect(x, y, x + 3, y + 4), rgb("bfe0ff"))
    c.fill(rect(14, 25, 18, 30), rgb("5a3a1e"))


def draw_organizational_person(c):
    person(c, 16, 2, 30, rgb("3d4a5c"), tie=RED)


def draw_organizational_role(c):
    person(c, 14, 2, 28, rgb("8a6cc0"))
    c.draw(poly([(24, 15), (26, 20), (31, 20), (27, 24), (29, 30), (24, 26), (19, 30), (21, 24),
                 (17, 20), (22, 20)]), GOLD, rgb("9a6a00"))


def draw_organizational_unit(c):
    c.fill(union(rect(15, 11, 17, 17), rect(6, 15, 26, 17), rect(6, 15, 8, 20),
                 rect(24, 15, 26, 20)), INK)
    c.draw(rect(9, 2, 23, 12), rgb("f0a030"))
    c.draw(rect(1, 19, 13, 29), rgb("5aa0e0"))
    c.draw(rect(19, 19, 31, 29), rgb("5aa0e0"))


def draw_partition(c):
    c.draw(minus(circle(14, 18, 12), wedge(14, 18, 13, 0, 90)), rgb("4a90d9"))
    c.draw(wedge(18, 14, 12, 0, 90), rgb("f0a030"))


def draw_person(c):
    person(c, 16, 2, 30, rgb("8a96a3"), skin=rgb("d9dde2"))


def draw_print_server(c):
    tower(c, 1, 1, 15, 24)
    c.draw(rect(17, 13, 27, 20), PAPER, shade(GREY, 0.6))
    c.draw(rrect(12, 19, 31, 28, 1.5), rgb("c9cfd6"))
    c.draw(rect(16, 25, 27, 31), PAPER, shade(GREY, 0.6))
    c.fill(rect(27, 21, 29, 23), LED)


def draw_printer(c):
    printer(c)


def draw_profile(c):
    c.draw(rrect(1, 6, 31, 27, 2), rgb("e7f0fa"), rgb("4a6a90"))
    c.fill(rect(1, 6, 31, 10), rgb("4a6a90"))
    person(c, 9, 11, 14, rgb("2f6fd0"))
    text_lines(c, 17, 28, (14, 18, 22), STEEL)


def draw_queue(c):
    for i, col in enumerate((rgb("dfe6ee"), rgb("eef2f7"), PAPER)):
        o = 2 + i * 4
        c.draw(rect(o, 14 - i * 5, o + 18, 30 - i * 5), col, STEEL)
    text_lines(c, 13, 23, (9, 13, 17), SCREEN)


def draw_resource(c):
    c.draw(poly([(16, 2), (29, 8), (16, 14), (3, 8)]), rgb("ffc56a"))
    c.draw(poly([(3, 8), (16, 14), (16, 30), (3, 23)]), rgb("f0962a"))
    c.draw(poly([(16, 14), (29, 8), (29, 23), (16, 30)]), rgb("c46d12"))


def draw_server(c):
    tower(c, 7, 2, 25, 30)


def draw_top(c):
    c.draw(poly([(16, 2), (31, 28), (16, 31)]), rgb("c9a040"))
    c.draw(poly([(16, 2), (16, 31), (1, 28)]), rgb("ead07a"))


def draw_tree_root(c):
    c.draw(rect(13, 19, 19, 31), BROWN)
    c.draw(union(circle(16, 9, 8), circle(9, 15, 7), circle(23, 15, 7), circle(16, 18, 7)),
           rgb("3fa34d"))


def draw_user(c):
    person(c, 16, 2, 30, rgb("2f6fd0"))


def draw_volume(c):
    body = rgb("9aa8b8")

    def gradient(u, v):
        return shade(body, 1.0 + 0.35 * max(0.0, 1.0 - abs(u - 12) / 12.0))
    c.draw(union(rect(3, 8, 29, 24), ellipse(16, 24, 13, 5)), gradient, shade(body, 0.45))
    c.draw(ellipse(16, 8, 13, 5), rgb("d3dbe4"), shade(body, 0.45))
    c.fill(rect(21, 18, 25, 20), LED)


def draw_folder(c):
    folder(c)


def draw_open_folder(c):
    folder(c, open_=True)


def draw_object(c):
    sheet(c, 4, 2, 28, 30)
    c.draw(poly([(16, 8), (23, 16), (16, 24), (9, 16)]), rgb("8e6cc0"))


def family(base, colour, letter, ink=WHITE, where="badge", badge=None):
    def draw(c):
        base(c, colour)
        letter_mark(c, letter, badge or shade(colour, 0.7), where, ink)
    return draw


def printer_family(colour, letter):
    def draw(c):
        printer(c, colour, x0=1, x1=29)
        letter_mark(c, letter, shade(colour, 0.6))
    return draw


def workstation(colour, letter, count=1):
    def draw(c):
        if count == 1:
            monitor(c, 2, 2, 28, 22, screen=colour)
        else:
            monitor(c, 9, 1, 31, 17, screen=shade(colour, 1.3))
            monitor(c, 1, 9, 23, 25, screen=colour)
        letter_mark(c, letter, shade(colour, 0.6))
    return draw


def policy(colour, letter):
    return family(shield, colour, letter, where=(16, 15))


def package(colour, letter):
    return family(box, colour, letter)


def application(colour, letter):
    return family(window, colour, letter, ink=shade(colour, 0.6), where=(16, 19))


def keys(colour, letter):
    return family(key, colour, letter)


def license_(colour, letter):
    return family(certificate, colour, letter, where=(23, 20))


def catalog(colour, letter):
    return family(book, colour, letter, where=(18, 14))


def role(colour, letter):
    return family(medal, colour, letter, ink=shade(colour, 0.4), where=(16, 20))


def service(colour, letter):
    return family(network, colour, letter, where=(16, 16))


def wan_area(colour, letter):
    return family(wan, colour, letter)


# The icons: (id, label, draw). The labels only name them on the contact
# sheet; the class names live in the handler's table.
ICONS = [
    (100, "Unknown", draw_unknown),
    (101, "AFP Server", draw_afp_server),
    (102, "Alias", draw_alias),
    (103, "Bindery Object", draw_bindery_object),
    (104, "Bindery Queue", draw_bindery_queue),
    (105, "CommExec", draw_commexec),
    (106, "Computer", draw_computer),
    (107, "Country", draw_country),
    (108, "Device", draw_device),
    (109, "Directory Map", draw_directory_map),
    (110, "External Entity", draw_external_entity),
    (111, "Group", draw_group),
    (112, "List", draw_list),
    (113, "Locality", draw_locality),
    (114, "Message Routing Group", draw_message_routing_group),
    (116, "Messaging Server", draw_messaging_server),
    (117, "OCP Server", draw_ocp_server),
    (118, "Organization", draw_organization),
    (119, "Organizational Person", draw_organizational_person),
    (120, "Organizational Role", draw_organizational_role),
    (121, "Organizational Unit", draw_organizational_unit),
    (122, "Partition", draw_partition),
    (123, "Person", draw_person),
    (124, "Print Server", draw_print_server),
    (125, "Printer", draw_printer),
    (126, "Profile", draw_profile),
    (127, "Queue", draw_queue),
    (128, "Resource", draw_resource),
    (129, "Server", draw_server),
    (130, "Top", draw_top),
    (131, "Tree Root", draw_tree_root),
    (132, "User", draw_user),
    (133, "Volume", draw_volume),
    # Add-on services.
    (201, "Desktop Policy", policy(rgb("2f7fd0"), "D")),
    (202, "User Policy", policy(rgb("3fa34d"), "U")),
    (204, "Container Policy", policy(rgb("d98c2b"), "C")),
    (205, "Server Policy", policy(rgb("7d5cc0"), "S")),
    (206, "Login Policy", policy(rgb("c84a4a"), "L")),
    (207, "Password Policy", policy(rgb("2a9d9d"), "P")),
    (208, "Remote Access Policy", policy(rgb("5a6a80"), "R")),
    (209, "Desktop Package", package(rgb("c98f57"), "D")),
    (210, "User Package", package(rgb("6aa85a"), "U")),
    (211, "Container Package", package(rgb("d8a030"), "C")),
    (212, "Server Package", package(rgb("8a7ab8"), "S")),
    (213, "Imaging Package", package(rgb("5a9ac8"), "I")),
    (214, "Application", application(rgb("2f6fd0"), "A")),
    (215, "Application Folder", application(rgb("d8a030"), "F")),
    (216, "Application Group", application(rgb("3fa34d"), "G")),
    (217, "Application Shortcut", application(rgb("8e6cc0"), "S")),
    (218, "Application Suite", application(rgb("c84a4a"), "T")),
    (219, "Certificate Authority", keys(rgb("e0b030"), "A")),
    (220, "Key Material", keys(rgb("b0b8c0"), "K")),
    (221, "Trusted Root Container", keys(rgb("d08040"), "C")),
    (222, "Trusted Root", keys(rgb("c0a060"), "R")),
    (223, "Certificate Revocation List", keys(rgb("d05050"), "X")),
    (224, "Certificate Template", keys(rgb("70a0d0"), "T")),
    (225, "License Certificate", license_(rgb("d04040"), "L")),
    (226, "License Container", license_(rgb("3080d0"), "C")),
    (227, "Software License", license_(rgb("30a050"), "S")),
    (228, "Metering Certificate", license_(rgb("d09020"), "M")),
    (229, "Print Broker", printer_family(rgb("7ab0e0"), "B")),
    (230, "Print Service Manager", printer_family(rgb("e0a070"), "M")),
    (231, "Managed Printer", printer_family(rgb("90c890"), "P")),
    (232, "Print Agent", printer_family(rgb("c0a0e0"), "A")),
    (233, "Print Notification Service", printer_family(rgb("e0d070"), "N")),
    (234, "Print Resource Store", printer_family(rgb("e08a8a"), "R")),
    (235, "Print Gateway", printer_family(rgb("80c8c8"), "G")),
    (236, "Catalog", catalog(rgb("2f6fd0"), "C")),
    (237, "Catalog Index", catalog(rgb("c84a4a"), "I")),
    (238, "Catalog Schedule", catalog(rgb("3fa34d"), "S")),
    (239, "Catalog Filter", catalog(rgb("8e6cc0"), "F")),
    (240, "Role-Based Service", role(rgb("e0b030"), "S")),
    (241, "Role-Based Task", role(rgb("b8c0c8"), "T")),
    (242, "Role-Based Module", role(rgb("d89060"), "M")),
    (243, "Role Collection", role(rgb("a0c8e8"), "C")),
    (244, "LDAP Server", service(rgb("2f6fd0"), "S")),
    (245, "LDAP Group", service(rgb("4a58b0"), "G")),
    (246, "LDAP Attribute Map", service(rgb("2a8ab8"), "A")),
    (247, "LDAP Class Map", service(rgb("5a70c8"), "C")),
    (248, "SLP Directory Agent", service(rgb("3a9a4a"), "D")),
    (249, "SLP Scope Unit", service(rgb("6aaa30"), "U")),
    (250, "SLP Service", service(rgb("2a9a7a"), "V")),
    (251, "WAN Area", wan_area(rgb("3b8fd9"), "A")),
    (252, "WAN Policy", wan_area(rgb("2aa0a0"), "P")),
    (253, "WAN Traffic Schedule", wan_area(rgb("6a6ad0"), "S")),
    (254, "WAN Connection", wan_area(rgb("4aa060"), "C")),
    (255, "Workstation", workstation(rgb("3d8fe0"), "W")),
    (256, "Workstation Group", workstation(rgb("3fa34d"), "G", count=2)),
    (257, "Workstation Container", workstation(rgb("d98c2b"), "C", count=2)),
    (258, "Workstation Inventory", workstation(rgb("8e6cc0"), "I")),
    (259, "Workstation Registration", workstation(rgb("c84a4a"), "R")),
    (260, "Workstation Image", workstation(rgb("2a9d9d"), "M")),
    # Personal folders, and two images that exist unused.
    (1101, "Ombra::Folder", draw_folder),
    (1100, "Open Folder", draw_open_folder),
    (263, "Directory Object", draw_object),
]


# ---------------------------------------------------------------- OrrelShell

def draw_orrel_explorer(c):
    """The "Orrel Explorer" node: a directory tree on a globe."""
    globe(c, 16, 16, 15)
    edge = NAVY
    c.fill(union(rect(15, 12, 17, 19), rect(8, 17, 24, 19), rect(8, 17, 10, 22),
                 rect(22, 17, 24, 22)), WHITE)
    c.draw(rect(11, 5, 21, 13), rgb("f0a030"), edge)
    c.draw(rect(3, 20, 13, 28), WHITE, edge)
    c.draw(rect(19, 20, 29, 28), WHITE, edge)


LOGO_GLYPHS = {
    "O": ["..#####..", ".##...##.", "##.....##", "##.....##", "##.....##", "##.....##",
          "##.....##", "##.....##", "##.....##", ".##...##.", "..#####.."],
    "r": ["......", "......", "......", "##.###", "####..", "###...", "##....", "##....",
          "##....", "##....", "##...."],
    "e": [".......", ".......", ".......", ".#####.", "##...##", "##...##", "#######", "##.....",
          "##.....", "##...##", ".#####."],
    "l": ["##", "##", "##", "##", "##", "##", "##", "##", "##", "##", "##"],
}

LOGO_FACE = rgb("f0f0f0")
LOGO_BADGE = rgb("1f4f8f")


def draw_logo():
    width, height = 90, 16
    c = Canvas(width, height, LOGO_FACE)
    # A rounded dark badge over the whole width; the word in white beside the mark.
    scale = width / UNITS

    def badge(u, v):
        x, y = u * scale, v * scale
        r = 5.0
        cx = min(max(x, r), width - r)
        cy = min(max(y, r), height - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    c.fill(badge, LOGO_BADGE)
    mark = Canvas(16)
    draw_orrel_explorer(mark)
    for y in range(16):
        for x in range(16):
            if mark.px[y][x] is not None:
                c.px[y][x + 14] = mark.px[y][x]
    x = 37
    for ch in "Orrel":
        rows = LOGO_GLYPHS[ch]
        c.bitmap(rows, x, 3, WHITE)
        x += len(rows[0]) + 2
    return c


# ---------------------------------------------------------------- file formats

def render(draw, size):
    c = Canvas(size)
    draw(c)
    return c


def ico_bytes(canvases):
    """An 8-bit icon holding one image per canvas, with a transparency mask."""
    images = []
    for c in canvases:
        palette = [BLACK]
        index = {BLACK: 0}
        for row in c.px:
            for p in row:
                if p is not None and p not in index:
                    index[p] = len(palette)
                    palette.append(p)
        if len(palette) > 256:
            raise ValueError("more than 256 colours in a %dx%d image" % (c.width, c.height))
        w, h = c.width, c.height
        header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, 8, 0, 0, 0, 0, 0, 0)
        pal = b"".join(struct.pack("<BBBB", b, g, r, 0)
                       for (r, g, b) in palette + [BLACK] * (256 - len(palette)))
        xor_stride = (w + 3) & ~3
        and_stride = ((w + 31) // 32) * 4
        xor = bytearray()
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = c.px[y]
            xor += bytes(0 if p is None else index[p] for p in row) + b"\0" * (xor_stride - w)
            bits = bytearray(and_stride)
            for x, p in enumerate(row):
                if p is None:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        data = header + pal + bytes(xor) + bytes(mask)
        images.append((w, h, data))
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


def bmp_bytes(c):
    """A 24-bit bottom-up bitmap file."""
    w, h = c.width, c.height
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray()
        for p in c.px[y]:
            r, g, b = p if p is not None else LOGO_FACE
            row += bytes((b, g, r))
        pixels += row + b"\0" * (stride - len(row))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    head = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    return head + info + bytes(pixels)


def png_bytes(c):
    raw = bytearray()
    for row in c.px:
        raw.append(0)
        for p in row:
            raw += bytes(p if p is not None else (255, 255, 255))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", c.width, c.height, 8, 2, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------- contact sheet

def paste(sheet_canvas, image, x0, y0, zoom=1, checker=True):
    for y in range(image.height):
        for x in range(image.width):
            p = image.px[y][x]
            for dy in range(zoom):
                for dx in range(zoom):
                    X, Y = x0 + x * zoom + dx, y0 + y * zoom + dy
                    if p is None:
                        if not checker:
                            continue
                        p2 = (236, 236, 236) if ((X // 4 + Y // 4) % 2) else (250, 250, 250)
                        sheet_canvas.pixel(X, Y, p2)
                    else:
                        sheet_canvas.pixel(X, Y, p)


def contact_sheet(entries):
    """entries: (label, image16, image32). Each cell shows the 16 and 32
    images at their size and enlarged, with the label under them."""
    cols = 6
    cell_w, cell_h = 200, 108
    rows = (len(entries) + cols - 1) // cols
    sheet_canvas = Canvas(cols * cell_w, rows * cell_h, (255, 255, 255))
    for i, (label, small, large) in enumerate(entries):
        x0 = (i % cols) * cell_w + 6
        y0 = (i // cols) * cell_h + 6
        paste(sheet_canvas, small, x0, y0)
        paste(sheet_canvas, large, x0 + 20, y0)
        paste(sheet_canvas, small, x0 + 56, y0, 4)
        paste(sheet_canvas, large, x0 + 124, y0, 2)
        sheet_canvas.text(label[:24], x0, y0 + 74, (0, 0, 0), 2)
        if len(label) > 24:
            sheet_canvas.text(label[24:48], x0, y0 + 88, (0, 0, 0), 2)
    return sheet_canvas


# ---------------------------------------------------------------- main

def outputs():
    """Every file the script makes: {path: bytes}, plus the sheet entries."""
    files = {}
    entries = []
    for icon_id, label, draw in ICONS:
        small, large = render(draw, 16), render(draw, 32)
        files[os.path.join(ICONS_DIR, "res", "%d.ico" % icon_id)] = ico_bytes([small, large])
        entries.append(("%d %s" % (icon_id, label), small, large))
    small, large = render(draw_orrel_explorer, 16), render(draw_orrel_explorer, 32)
    files[os.path.join(SOURCE_DIR, "shell", "res", "orrelshell.ico")] = ico_bytes([small, large])
    entries.append(("Orrel Explorer", small, large))
    logo = draw_logo()
    files[os.path.join(SOURCE_DIR, "shell", "res", "logo.bmp")] = bmp_bytes(logo)
    return files, entries, logo


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sheet", help="write a labelled contact sheet (PNG) here")
    parser.add_argument("--check", action="store_true",
                        help="compare the committed files with what the script draws")
    args = parser.parse_args(argv)

    ids = [i for i, _, _ in ICONS]
    if len(ids) != len(set(ids)):
        sys.exit("duplicate icon id")

    files, entries, logo = outputs()
    if args.check:
        stale = [p for p, data in files.items()
                 if not os.path.exists(p) or open(p, "rb").read() != data]
        for p in stale:
            print("out of date: " + os.path.relpath(p, SOURCE_DIR))
        return 1 if stale else 0

    for path, data in files.items():
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    if args.sheet:
        sheet_canvas = contact_sheet(entries)
        # The logo at its size and enlarged, below the icons.
        extra = Canvas(sheet_canvas.width, 60, (255, 255, 255))
        paste(extra, logo, 6, 6)
        paste(extra, logo, 110, 6, 3)
        sheet_canvas.px.extend(extra.px)
        sheet_canvas.height += extra.height
        with open(args.sheet, "wb") as f:
            f.write(png_bytes(sheet_canvas))
    print("%d icons, orrelshell.ico, logo.bmp written" % len(ICONS))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

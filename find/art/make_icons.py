#!/usr/bin/env python3
"""Draws the icons of OrrelFind with the pictograms of the system's other
icons (icons/art/make_icons.py): the generic object, the containers of the
context browser and the four searchable classes.

    make_icons.py            write find/res/5001.ico ... 5010.ico
    make_icons.py --check    only verify that the committed files are what
                             the script draws
"""

import argparse
import importlib.util
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
FIND_DIR = os.path.dirname(HERE)
SOURCE_DIR = os.path.dirname(FIND_DIR)

_spec = importlib.util.spec_from_file_location(
    "orrel_icon_art", os.path.join(SOURCE_DIR, "icons", "art", "make_icons.py"))
art = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(art)

ICONS = [
    (5001, art.draw_object),                 # any other class
    (5002, art.draw_country),
    (5003, art.draw_locality),
    (5004, art.draw_organization),
    (5005, art.draw_organizational_unit),
    (5006, art.draw_tree_root),              # "[Root]" of the context browser
    (5007, art.draw_user),
    (5008, art.draw_volume),
    (5009, art.draw_printer),
    (5010, art.draw_queue),
]


def outputs():
    return {os.path.join(FIND_DIR, "res", "%d.ico" % icon_id):
            art.ico_bytes([art.render(draw, 16), art.render(draw, 32)])
            for icon_id, draw in ICONS}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="compare the committed files with what the script draws")
    args = parser.parse_args(argv)
    files = outputs()
    if args.check:
        stale = [p for p, data in files.items()
                 if not os.path.exists(p) or open(p, "rb").read() != data]
        for p in stale:
            print("out of date: " + os.path.relpath(p, SOURCE_DIR))
        return 1 if stale else 0
    os.makedirs(os.path.join(FIND_DIR, "res"), exist_ok=True)
    for path, data in files.items():
        with open(path, "wb") as f:
            f.write(data)
    print("%d icons written" % len(files))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))

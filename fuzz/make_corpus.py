#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/.

The seeds are kept in the repository; run this again only when a format
changes or a seed is wanted for a new case. It writes the formats from their
description, independently of the C++ code under test.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
CLSID = bytes([0x00, 0xD0, 0xAA, 0x76, 0x1A, 0xC2, 0xD1, 0x11,
               0x81, 0x15, 0x00, 0xC0, 0x4F, 0xB6, 0x7E, 0xB7])


def counted(text):
    if not text:
        return struct.pack("<H", 0)
    return struct.pack("<H", len(text) + 1) + text + b"\0"


def encode_path(text):
    """'.Admin.Org' -> 5 Admin 3 Org (labels leaf first as given)."""
    out = b""
    for label in text.split(b".")[1:]:
        out += bytes([len(label)]) + label
    return out


def record(flags=0, name=b"", cls=b"", path=b"", tree=b"", server=b""):
    return (counted(path) + counted(tree) + counted(cls) + counted(name)
            + struct.pack("<I", flags) + counted(server))


def entry(rec):
    return struct.pack("<H", 20 + len(rec)) + b"\x1f\x00" + CLSID + rec


DESKTOP = struct.pack("<H", 20) + b"\x1f\x00" + CLSID
FOREIGN = struct.pack("<H", 14) + b"\x1f\x50" + bytes(range(0xE0, 0xEA))
END = b"\0\0"

USER = record(0x0, b"Admin", b"User", encode_path(b".Admin.Sales.Corp"), b"CORP")
ORGUNIT = record(0x1, b"Sales", b"Organizational Unit", encode_path(b".Sales.Corp"), b"CORP")
FOLDER = record(0x81, b"Work", b"Ombra::Folder", encode_path(b".Work"))
TREE = record(0x301, b"CORP", b"Tree Root", b"", b"CORP", b"10.0.0.1")

SEEDS = {
    "record": {
        "empty": record(),
        "user": USER,
        "folder": FOLDER,
        "tree": TREE,
        "cut": USER[:-3],
    },
    "itemid": {
        "desktop-only": DESKTOP + END,
        "one-object": entry(USER) + END,
        "desktop-then-object": DESKTOP + entry(ORGUNIT) + entry(USER) + END,
        "foreign-first": FOREIGN + entry(FOLDER) + END,
        "cb-one": b"\x01\x00" + entry(USER) + END,
    },
    "path": {
        "object": encode_path(b".Admin.Sales.Corp"),
        "folder": encode_path(b".Work.Projects"),
        "negative-count": b"\x03Org\x80abc",
        "typed-text": b".Admin.Org",
        "typed-backslash": b"\\Work\\Projects\\Old",
    },
    "objectblock": {
        "empty": struct.pack("<I", 0),
        "two-items": struct.pack("<I", 2) + entry(USER) + END + entry(FOLDER) + END,
        "count-too-large": struct.pack("<I", 5) + entry(TREE) + END,
    },
}


def main():
    for target, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()

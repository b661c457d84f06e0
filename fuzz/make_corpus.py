#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets into fuzz/corpus/<target>/, and
their dictionaries into fuzz/dicts/<target>.dict.

The seeds are kept in the repository; run this again only when a format
changes or a seed is wanted for a new case. It writes the formats from their
description, independently of the C++ code under test.
"""
import json
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


# ---------------------------------------------------------------------------
# Directory images (dirimage): small images written by hand from the format's
# description, one cut from the shipped sample, and a few refused ones.

def image_bytes(image):
    return json.dumps(image, separators=(",", ":"), ensure_ascii=False).encode("utf-8")


def attr(name, syntax, single=False, size=None):
    a = {"name": name, "syntax": syntax}
    if single:
        a["singleValued"] = True
    if size:
        a.update({"sized": True, "lower": size[0], "upper": size[1]})
    return a


EVERY_SYNTAX = [
    # (attribute, syntax, a value)
    ("Unknown", 0, "00FF10"),
    ("See Also", 1, ".Staff.Corp"),
    ("Exact", 2, "Case Exact"),
    ("Description", 3, "Caf\u00e9 \u00bb text"),
    ("Printable", 4, "Printable 1"),
    ("Numeric", 5, "123 456"),
    ("Languages", 6, ["English", "Fran\u00e7ais"]),
    ("Login Disabled", 7, False),
    ("Grace Limit", 8, -3),
    ("Octets", 9, "0A1BFF"),
    ("Telephone Number", 10, "555-0100"),
    ("Fax", 11, {"number": "555-0101", "bitCount": 9, "bits": "FF80"}),
    ("Network Address", 12, {"type": 1, "address": "7F000001"}),
    ("Octet List", 13, ["01", "", "A0B1"]),
    ("EMail Address", 14, {"type": 0, "address": "admin@corp.example"}),
    ("Home Directory", 15, {"nameSpace": 0, "volume": "FS1_SYS.Corp", "path": "\\HOME\\ADMIN"}),
    ("Replica", 16, "0102"),
    ("ACL", 17, {"attribute": "[All Attributes Rights]", "subject": "[Public]", "privileges": 2}),
    ("Postal Address", 18, ["Main Street 1", "", "Springfield"]),
    ("Stamp", 19, {"seconds": 946684800, "eventId": 1}),
    ("Object Class", 20, "User"),
    ("Login Script", 21, "admin-login.txt"),
    ("Counter", 22, 4294967295),
    ("Back Link", 23, {"remoteId": 7, "object": "FS1.Corp"}),
    ("Last Login Time", 24, 1715589000),
    ("Print Job", 25, {"object": "Queue.Corp", "level": 1, "interval": 0}),
    ("Hold", 26, {"object": "Admin.Corp", "amount": 100}),
    ("Interval", 27, -2147483648),
]


def every_syntax_image():
    attributes = [attr(n, s) for n, s, _ in EVERY_SYNTAX]
    attributes += [attr("CN", 3, size=(1, 64)), attr("O", 3, True, (1, 64)),
                   attr("Aliased Object Name", 1, True), attr("Group Membership", 1)]
    optional = [n for n, _, _ in EVERY_SYNTAX] + ["Aliased Object Name", "Group Membership"]
    classes = [
        {"name": "Top", "container": False, "optional": optional},
        {"name": "Organization", "container": True, "superClasses": ["Top"], "naming": ["O"],
         "mandatory": ["O"]},
        {"name": "User", "superClasses": ["Top"], "containment": ["Organization"],
         "naming": ["CN"], "mandatory": ["CN"]},
    ]
    admin = {"CN": ["Admin"]}
    for n, _, v in EVERY_SYNTAX:
        admin[n] = [v]
    admin["ACL"].append({"attribute": "[Entry Rights]", "subject": "Admin.Corp", "privileges": 32})
    objects = [
        {"name": "Corp", "class": "Organization", "flags": ["container", "partitionRoot"],
         "modified": 946684800, "attributes": {"O": ["Corp"]}},
        {"name": "Sales.Corp", "class": "Organization", "flags": ["container"],
         "attributes": {"O": ["Sales"]}, "note": "kept"},
        {"name": ".Admin.Corp", "class": "User", "attributes": admin},
        {"name": "Staff.Corp", "class": "User", "attributes": {"CN": ["Staff"]}},
        {"name": "JDoe.Sales.Corp", "class": "User",
         "attributes": {"CN": ["JDoe"], "Group Membership": ["Staff.Corp"]}},
        {"name": "Boss.Corp", "class": "User", "flags": ["alias"],
         "attributes": {"Aliased Object Name": ["Admin.Corp"]}},
        {"name": "Shop.Corp", "class": "Organization", "flags": ["containerAlias"],
         "attributes": {"Aliased Object Name": ["Sales.Corp"]}},
        {"name": "Loop1.Corp", "class": "User", "flags": ["alias"],
         "attributes": {"Aliased Object Name": ["Loop2.Corp"]}},
        {"name": "Loop2.Corp", "class": "User", "flags": ["alias"],
         "attributes": {"Aliased Object Name": ["Loop1.Corp"]}},
    ]
    volume = {
        "name": "SYS", "number": 0, "object": "FS1_SYS.Corp",
        "usage": {"totalBlocks": 1000, "freeBlocks": 250, "purgeableBlocks": 125,
                  "notYetPurgeableBlocks": 0, "totalDirEntries": 4096,
                  "availableDirEntries": 1024, "sectorsPerBlock": 8},
        "extended": {"features": ["compression", "suballocation", "readOnly"], "sizeUnit": 4096,
                     "sectorSize": 512, "totalUnits": 1000, "freeUnits": 250,
                     "dataBeforeCompression": 2000, "dataAfterCompression": 1500,
                     "volumeType": 0},
        "nameSpaces": [0, 4],
    }
    return {
        "format": "orrel-directory-image",
        "version": 1,
        "trees": [
            {"name": "CORP_TREE", "schema": {"attributes": attributes, "classes": classes},
             "objects": objects, "comment": "extra members are kept"},
            {"name": "OTHER-TREE", "schema": {"attributes": [], "classes": []}},
        ],
        "servers": [
            {"name": "FS1", "tree": "CORP_TREE", "object": "FS1.Corp", "address": "127.0.0.1",
             "version": {"major": 5, "minor": 1, "revision": 2}, "maxConnections": 100,
             "advertised": [{"type": 30722, "name": "CORP_TREE"}, {"type": 4, "name": "FS1"}],
             "volumes": [volume, {"name": "DATA", "number": 1}],
             "connections": [{"number": 3, "user": "Admin.Corp", "acceptsMessages": True},
                             {"number": 65535, "user": "JDoe.Sales.Corp", "acceptsMessages": False}],
             "rack": 4},
            {"name": "OTHER-FS", "tree": "OTHER-TREE______", "address": "127.0.0.2"},
        ],
        "workstation": {
            "defaultTree": "CORP_TREE",
            "identities": [{"tree": "CORP_TREE", "name": "Admin.Corp", "second": ".Staff.Corp"}],
            "connectionRefs": [
                {"server": "FS1", "authState": 2, "port": 524, "label": "first"},
                {"server": "OTHER-FS", "tree": "OTHER-TREE", "authState": 0, "primary": True,
                 "address": "127.0.0.3"},
            ],
            "requesterVersion": {"major": 4, "minor": 90, "revision": 3},
            "site": {"room": [1, 2.5, None]},
        },
        "generator": "make_corpus.py",
    }


MINIMAL_IMAGE = {
    "format": "orrel-directory-image",
    "version": 1,
    "trees": [{"name": "T", "schema": {"attributes": [], "classes": []}}],
}


def sample_cut():
    """The small tree of the shipped sample with the schema it uses."""
    path = os.path.join(HERE, "..", "platform", "sample", "orrel-sample-directory.json")
    with open(path, encoding="utf-8") as f:
        sample = json.load(f)
    tree = next(t for t in sample["trees"] if t["name"] == "SMALL_TREE")
    classes = {c["name"]: c for c in tree["schema"]["classes"]}
    wanted = [o["class"] for o in tree["objects"]]
    kept = []
    while wanted:
        name = wanted.pop()
        if name in kept:
            continue
        kept.append(name)
        wanted += classes[name].get("superClasses", []) + classes[name].get("containment", [])
    used = set()
    for name in kept:
        for key in ("naming", "mandatory", "optional"):
            used.update(classes[name].get(key, []))
    for o in tree["objects"]:
        used.update(o.get("attributes", {}).keys())
    tree["schema"]["attributes"] = [a for a in tree["schema"]["attributes"] if a["name"] in used]
    tree["schema"]["classes"] = [c for c in tree["schema"]["classes"] if c["name"] in kept]
    servers = [s for s in sample["servers"] if s["tree"] == "SMALL_TREE"]
    names = {s["name"] for s in servers}
    ws = sample["workstation"]
    ws["defaultTree"] = "SMALL_TREE"
    ws["identities"] = [i for i in ws["identities"] if i["tree"] == "SMALL_TREE"]
    ws["connectionRefs"] = [r for r in ws["connectionRefs"] if r["server"] in names]
    sample.update({"trees": [tree], "servers": servers, "workstation": ws})
    return image_bytes(sample)


def refused(change):
    image = json.loads(image_bytes(every_syntax_image()))
    change(image)
    return image_bytes(image)


DIRIMAGE_SEEDS = {
    "minimal": image_bytes(MINIMAL_IMAGE),
    "every-syntax": image_bytes(every_syntax_image()),
    "sample-small-tree": sample_cut(),
    "wrong-version": refused(lambda i: i.update(version=2)),
    "unknown-schema-member": refused(lambda i: i["trees"][0]["schema"].update(extra=[])),
    "orphan-object": refused(lambda i: i["trees"][0]["objects"].append(
        {"name": "Lost.Nowhere", "class": "User", "attributes": {"CN": ["Lost"]}})),
    "cut-short": image_bytes(every_syntax_image())[:700],
    "too-deep": b'{"format":"orrel-directory-image","x":' + b"[" * 40 + b"]" * 40 + b"}",
}

DIRIMAGE_WORDS = [
    # members
    "format", "version", "trees", "servers", "workstation", "name", "schema", "objects",
    "attributes", "classes", "syntax", "singleValued", "sized", "lower", "upper", "container",
    "superClasses", "containment", "naming", "mandatory", "optional", "class", "flags",
    "modified", "tree", "object", "address", "major", "minor", "revision", "maxConnections",
    "advertised", "type", "volumes", "number", "usage", "extended", "nameSpaces",
    "totalBlocks", "freeBlocks", "purgeableBlocks", "notYetPurgeableBlocks", "totalDirEntries",
    "availableDirEntries", "sectorsPerBlock", "features", "sizeUnit", "sectorSize",
    "totalUnits", "freeUnits", "dataBeforeCompression", "dataAfterCompression", "volumeType",
    "connections", "user", "acceptsMessages", "defaultTree", "identities", "second",
    "connectionRefs", "authState", "primary", "port", "requesterVersion",
    "bitCount", "bits", "nameSpace", "volume", "path", "attribute", "subject", "privileges",
    "seconds", "eventId", "remoteId", "level", "interval", "amount",
    # values
    "orrel-directory-image", "alias", "partitionRoot", "containerAlias", "suballocation",
    "compression", "migration", "auditing", "readOnly", "[Root]", "[Public]",
    "[All Attributes Rights]", "[Entry Rights]", "Aliased Object Name", "Group Membership",
    "127.0.0.1",
]
DIRIMAGE_TOKENS = [":", ",", "{", "}", "[", "]", "{}", "[]", "true", "false", "null",
                   "4294967295", "-2147483648", "\\u00e9", "\\u0100", "\\\\", ".", "=", "*"]


def dirimage_dict():
    lines = ['"\\"%s\\""' % w.replace("\\", "\\\\").replace('"', '\\"') for w in DIRIMAGE_WORDS]
    lines += ['"%s"' % t.replace("\\", "\\\\").replace('"', '\\"') for t in DIRIMAGE_TOKENS]
    return "\n".join(lines) + "\n"


# ---------------------------------------------------------------------------
# Value records (valueformat): a syntax byte, then the value buffer. Pointer
# fields are 8-byte slots with a marker in their upper half that the target
# turns into an address: INSIDE (offset from the buffer start, which may lie
# before or past it) or OUTSIDE (memory the formatter must not read). Records
# are laid out as on x64: pointers 8 bytes, 32-bit fields padded to 8.

INSIDE = 0x494E5344
OUTSIDE = 0x4F555453


def at(offset):
    return struct.pack("<iI", offset, INSIDE)


def outside(offset=0):
    return struct.pack("<II", offset, OUTSIDE)


NULL = struct.pack("<Q", 0)


def u32(n, pad=True):
    return struct.pack("<I", n) + (b"\0" * 4 if pad else b"")


def text8(s):
    """s and its zero, padded to 8 bytes."""
    b = s + b"\0"
    return b + b"\0" * (-len(b) % 8)


def vf(syntax, *parts):
    return bytes([syntax]) + b"".join(parts)


VALUEFORMAT_SEEDS = {
    "text": vf(3, b"Hello, world\0"),
    "text-to-end": vf(1, b"Admin.Corp"),
    "empty": vf(2),
    "unknown-syntax": vf(200, b"raw\0bytes"),
    "stream": vf(21, b"\x01\x02\0"),
    "boolean": vf(7, b"\xff"),
    "integer": vf(8, struct.pack("<i", -5)),
    "integer-short": vf(27, b"\x01\x02\x03"),
    "counter": vf(22, struct.pack("<I", 4294967295)),
    "time": vf(24, struct.pack("<I", 946684800)),
    "timestamp": vf(19, struct.pack("<II", 946684800, 3)),
    "ci-list": vf(6, at(16), at(32), NULL, at(40), text8(b"Sales"), text8(b"Ops")),
    "ci-list-cycle": vf(6, at(0), at(16), text8(b"x")),
    "ci-list-next-past-end": vf(6, at(24), at(16), text8(b"x")),
    "ci-list-outside": vf(6, NULL, outside(8)),
    "octet-string": vf(9, u32(4), at(16), b"\x01\x02\x0a\xff"),
    "octet-string-too-long": vf(16, u32(5), at(16), b"\x01\x02\x0a\xff"),
    "octet-string-outside": vf(9, u32(16), outside()),
    "octet-list": vf(13, at(24), u32(2), at(48), NULL, u32(0), NULL, b"\xab\xcd"),
    "fax": vf(11, at(24), u32(9), at(40), text8(b"555-0101"), b"\xff\x80"),
    "net-ipx": vf(12, u32(0, False), u32(12, False), at(16),
                  bytes([1, 2, 3, 4, 0, 0, 0x1B, 0x2C, 0x3D, 0x4E, 4, 0x51])),
    "net-ip": vf(12, u32(1, False), u32(4, False), at(16), bytes([10, 0, 0, 1])),
    "net-ip-short": vf(12, u32(1, False), u32(4, False), at(16), bytes([10, 0])),
    "net-other": vf(12, u32(7, False), u32(2, False), outside()),
    "email": vf(14, u32(0), at(16), text8(b"admin@corp.example")),
    "path": vf(15, u32(0), at(24), at(40), text8(b".FS1_SYS.Corp"), text8(b"\\HOME")),
    "acl": vf(17, at(24), at(48), u32(6), text8(b"[All Attributes Rights]"), text8(b"[Public]")),
    "acl-subject-at-end": vf(17, at(24), at(32), u32(6), text8(b"CN")),
    "postal": vf(18, at(48), NULL, at(56), NULL, NULL, at(63), text8(b"A"), text8(b"B")),
    "back-link": vf(23, u32(7), at(16), text8(b".FS1.Corp")),
    "typed-name": vf(25, at(16), struct.pack("<II", 1, 60), text8(b".Queue.Corp")),
    "typed-name-before-start": vf(25, at(-8), struct.pack("<II", 1, 60)),
    "hold": vf(26, at(16), u32(100), text8(b".Admin.Corp")),
    "hold-cut": vf(26, at(16), u32(100))[:12],
}


# ---------------------------------------------------------------------------
# Message formats (uiformat): texts as a string table holds them.

UIFORMAT_SEEDS = {
    "plain": b"Nothing to convert",
    "percent": b"100%% done",
    "string": b"The object %s was deleted.",
    "numbers": b"%d of %u (%x, %X, %o)",
    "widths": b"[%-10s] [%5.2f] [%+05d] [%#x]",
    "star": b"%*d|%.*s|%-*s",
    "lengths": b"%hhd %hd %ld %lld %I64d %I32u %Iu %zu %jd %td %qd %Lf",
    "pointer": b"at %p",
    "char": b"%c%c",
    "double": b"%e %E %g %G %a %A %F",
    "refused-n": b"%s%n",
    "refused-positional": b"%1$s",
    "refused-wide": b"%ls %S %C %lc",
    "too-wide": b"%99999d",
    "open-end": b"trailing %",
    "nul-inside": b"%s\0%n",
}

UIFORMAT_WORDS = ["%", "%%", "%s", "%d", "%u", "%p", "%c", "%f", "*", ".*", "hh", "h", "l", "ll",
                  "I64", "I32", "I", "z", "j", "t", "L", "w", "-", "+", "#", "0", " ", "1024",
                  "1025", "$", "n"]


def uiformat_dict():
    return "\n".join('"%s"' % w for w in UIFORMAT_WORDS) + "\n"


# "Printer Configuration" records: whole, cut inside the fields and inside the
# driver name, empty.
def printer_record(length):
    fields = struct.pack("<6H4x8s", 1, 0, 3, 0, 5, 0, b"LASR")
    return (fields + bytes(1072 - len(fields)))[:length]


PRINTERRECORD_SEEDS = {
    "whole": printer_record(1072),
    "fields-only": printer_record(24),
    "cut-in-fields": printer_record(11),
    "cut-in-driver": printer_record(18),
    "empty": b"",
}

# What an LDAP server sends a live tree's client: DNs, subschema items,
# times, a paged-results control value and mapped attribute values.
LDAPREPLY_SEEDS = {
    "dn-escaped": b"cn=Smith\\2C Jr,ou=Sales,o=Corp",
    "dn-multi": b"cn=JDoe+uid=7,ou=Sales,o=Corp",
    "dn-hex": b"cn=#04024869,o=Corp",
    "schema-attr": b"( 2.5.4.3 NAME ( 'cn' 'commonName' ) DESC 'x' SUP name SINGLE-VALUE )",
    "schema-class": b"( 1.3.6.1.4.1.99999.2.1 NAME 'orrelPerson' SUP top AUXILIARY "
                    b"MUST ( sn ) MAY ( fullName $ loginScript ) )",
    "time": b"20261208073400Z",
    # SEQUENCE { size 0, cookie "abcde" }
    "paged": bytes([0x30, 0x0A, 0x02, 0x01, 0x00, 0x04, 0x05]) + b"abcde",
    "netaddr": b"ip:10.1.2.3",
    "postal": b"18 Main St$Springfield$US",
    "fax": b"+1 555 0100",
    "boolean": b"TRUE",
}

SEEDS.update({
    "ldapreply": LDAPREPLY_SEEDS,
    "printerrecord": PRINTERRECORD_SEEDS,
    "dirimage": DIRIMAGE_SEEDS,
    "valueformat": VALUEFORMAT_SEEDS,
    "uiformat": UIFORMAT_SEEDS,
})

DICTS = {
    "dirimage": dirimage_dict,
    "uiformat": uiformat_dict,
}


def main():
    for target, seeds in SEEDS.items():
        folder = os.path.join(HERE, "corpus", target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
    os.makedirs(os.path.join(HERE, "dicts"), exist_ok=True)
    for target, make in DICTS.items():
        with open(os.path.join(HERE, "dicts", target + ".dict"), "w", encoding="ascii") as f:
            f.write(make())


if __name__ == "__main__":
    main()

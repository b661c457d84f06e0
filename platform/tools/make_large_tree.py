#!/usr/bin/env python3
"""Writes a directory image with one very large container, for benchmarks of
listing, sorting and searching.

    make_large_tree.py <count> [-o large.json] [--class User|Group|Volume|Printer|Queue]
                       [--tree LARGE_TREE] [--container Big | --at-root] [--indent]

The tree holds the Organization "<container>" (default "Big") with exactly
<count> objects directly inside it: the workstation's identity "Admin" and
<count> - 1 generated objects of the chosen class, named "<prefix>000001",
"<prefix>000002", ... in an order shuffled with a fixed seed, so that a
listing arrives unsorted. With --at-root the <count> objects sit directly
below the tree's root ("[Root]", which is no object), so that the tree holds
exactly <count> objects. The schema is the sample directory's
(platform/sample/make_sample.py), so the pages and the search treat the
objects as they treat the sample's.

The JSON is written without indentation (about a third of the size) unless
--indent is given; both are valid images. The client libraries refuse a tree
of more than 250000 objects or a file over 256 MiB: a count beyond that is
still written, with a warning.
"""

import argparse
import json
import os
import random
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "sample"))
import make_sample  # noqa: E402  (the schema and helpers of the sample)

CLIENT_OBJECT_LIMIT = 250000
CLIENT_SIZE_LIMIT = 256 * 1048576

PREFIXES = {"User": "U", "Group": "G", "Volume": "V", "Printer": "P", "Queue": "Q"}
GIVEN = ["Ada", "Ben", "Cai", "Dee", "Eli", "Fay", "Gus", "Hal", "Ida", "Jon", "Kai", "Lea"]
SURNAMES = ["Ash", "Birch", "Cedar", "Dale", "Elm", "Fern", "Glen", "Heath", "Ivy", "Juniper",
            "Kestrel", "Larch", "Moss", "Nettle", "Oak", "Pine"]
CITIES = ["Boston", "Austin", "Dallas", "Paris", "Lyon"]


def generated(cls, label, i, container):
    if cls == "User":
        given = GIVEN[i % len(GIVEN)]
        surname = SURNAMES[(i // len(GIVEN)) % len(SURNAMES)]
        return {"CN": [label], "Surname": [surname], "Given Name": [given],
                "Full Name": [f"{given} {surname} {i}"],
                "Telephone Number": [f"555-{i % 10000:04d}"], "L": [CITIES[i % len(CITIES)]]}
    if cls == "Group":
        return {"CN": [label], "Description": [f"Generated group {i}"],
                "Member": [f"Admin.{container}" if container else "Admin"]}
    if cls == "Volume":
        return {"CN": [label], "Host Resource Name": [f"VOL{i % 1000}"],
                "L": [CITIES[i % len(CITIES)]]}
    if cls == "Printer":
        return {"CN": [label], "Description": [f"Generated printer {i}"],
                "L": [CITIES[i % len(CITIES)]]}
    return {"CN": [label], "Description": [f"Generated queue {i}"]}


def build(count, cls, tree_name, container):
    """container None: the objects sit below the tree's root."""
    admin = f"Admin.{container}" if container else "Admin"
    rights = [make_sample.acl("[Entry Rights]", admin, 0x20),
              make_sample.acl("[All Attributes Rights]", admin, 0x2F)]
    objects = []
    if container:
        objects.append({
            "name": container, "class": "Organization", "flags": ["container"],
            "attributes": {
                "Object Class": make_sample.class_chain("Organization"),
                "O": [container],
                "Description": [f"{count} objects in one container"],
                "ACL": rights,
            },
        })
    admin_attributes = {"Object Class": make_sample.class_chain("User"), "CN": ["Admin"],
                        "Surname": ["Admin"], "Full Name": ["Administrator"]}
    if not container:
        # No object above to hold the rights: the identity holds its own.
        admin_attributes["ACL"] = rights
    objects.append({"name": admin, "class": "User", "attributes": admin_attributes})
    numbers = list(range(1, count))
    random.Random(20240513).shuffle(numbers)
    width = max(6, len(str(count)))
    chain = make_sample.class_chain(cls)
    for i in numbers:
        label = f"{PREFIXES[cls]}{i:0{width}d}"
        attributes = {"Object Class": chain}
        attributes.update(generated(cls, label, i, container))
        name = f"{label}.{container}" if container else label
        objects.append({"name": name, "class": cls, "attributes": attributes})
    return {
        "format": "orrel-directory-image",
        "version": 1,
        "trees": [{"name": tree_name, "schema": make_sample.schema(), "objects": objects}],
        "servers": [],
        "workstation": {"defaultTree": tree_name,
                        "identities": [{"tree": tree_name, "name": admin}]},
    }


def main(argv=None):
    parser = argparse.ArgumentParser(description="Write a directory image with one large container.")
    parser.add_argument("count", type=int, help="objects in the container (e.g. 10000 or 100000)")
    parser.add_argument("-o", "--out", default=None,
                        help="image file to write (default: large-<count>.json here)")
    parser.add_argument("--class", dest="cls", default="User", choices=sorted(PREFIXES))
    parser.add_argument("--tree", default="LARGE_TREE")
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--container", default="Big", help="the container's name (default Big)")
    where.add_argument("--at-root", action="store_true",
                       help="put the objects directly below the tree's root")
    parser.add_argument("--indent", action="store_true", help="indent the JSON by two spaces")
    args = parser.parse_args(argv)
    if args.count < 1:
        parser.error("count must be at least 1 (the container always holds the identity)")
    if not args.tree or len(args.tree) > 32 or args.tree.endswith("_") or \
            not all(c.isalnum() or c in "_-" for c in args.tree):
        parser.error("a tree name has 1 to 32 letters, digits, '_' and '-' and does not end with '_'")
    if not args.container or len(args.container) > 64 or any(c in args.container for c in '.=+\\"'):
        parser.error("the container is one label of 1 to 64 characters without . = + \\ \"")
    out = args.out or f"large-{args.count}.json"

    started = time.monotonic()
    container = None if args.at_root else args.container
    image = build(args.count, args.cls, args.tree, container)
    total = len(image["trees"][0]["objects"])
    with open(out, "w", encoding="ascii", newline="\n") as f:
        if args.indent:
            json.dump(image, f, indent=2)
        else:
            json.dump(image, f, separators=(",", ":"))
        f.write("\n")
    elapsed = time.monotonic() - started
    size = os.path.getsize(out)
    print(f"wrote {out}: {args.count} objects in {container or '[Root]'}, {total} in the tree, "
          f"{size / 1048576:.1f} MiB in {elapsed:.2f} s")
    if total > CLIENT_OBJECT_LIMIT:
        print(f"make_large_tree: warning: the tree has {total} objects; the client libraries "
              f"refuse more than {CLIENT_OBJECT_LIMIT} (--at-root saves the container)",
              file=sys.stderr)
    if size > CLIENT_SIZE_LIMIT:
        print("make_large_tree: warning: the file is larger than the 256 MiB the client "
              "libraries accept", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main())

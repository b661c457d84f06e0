#!/usr/bin/env python3
"""Picks the items of the demo's starting configuration out of a directory
image (platform/image/FORMAT.md): the main tree, the server through which it
is found, and a container for a shortcut in a personal folder.

Prints one NAME=VALUE line each: tree, server, unit, class (unit and class
are left out when the tree holds no container fit for a shortcut). Exits
with 1 and a message on stderr when the image cannot be read or has no tree
with a server.
"""
import json
import sys


def fail(message):
    print("demo-config: " + message, file=sys.stderr)
    sys.exit(1)


def same(a, b):
    return isinstance(a, str) and isinstance(b, str) and a.lower() == b.lower()


def pick(image):
    trees = [t for t in image.get("trees") or [] if isinstance(t, dict) and t.get("name")]
    if not trees:
        fail("the image holds no tree")
    servers = [s for s in image.get("servers") or [] if isinstance(s, dict) and s.get("name")]
    workstation = image.get("workstation") or {}

    def server_of(tree_name):
        # The workstation's own references first (its primary one before the
        # others), then any server of the tree.
        refs = [r for r in workstation.get("connectionRefs") or [] if isinstance(r, dict)]
        refs.sort(key=lambda r: 0 if r.get("primary") else 1)
        for ref in refs:
            server = next((s for s in servers if same(s["name"], ref.get("server"))), None)
            if server and same(ref.get("tree", server.get("tree")), tree_name):
                return server["name"]
        return next((s["name"] for s in servers if same(s.get("tree"), tree_name)), None)

    default = workstation.get("defaultTree")
    ordered = sorted(trees, key=lambda t: 0 if same(t["name"], default) else 1)
    tree = next((t for t in ordered if server_of(t["name"])), None)
    if tree is None:
        fail("no tree of the image is reachable through a server")
    result = {"tree": tree["name"], "server": server_of(tree["name"])}

    objects = [o for o in tree.get("objects") or [] if isinstance(o, dict)
               and isinstance(o.get("name"), str) and o["name"].strip(".")]

    def key(name):
        return name.strip(".").lower()

    children = {}
    for o in objects:
        labels = key(o["name"]).split(".")
        if len(labels) > 1:
            parent = ".".join(labels[1:])
            children[parent] = children.get(parent, 0) + 1

    def is_plain(o):
        flags = o.get("flags") or []
        return "container" in flags and "alias" not in flags and "containerAlias" not in flags

    # The fullest Organizational Unit, else the fullest Organization.
    for wanted in ("Organizational Unit", "Organization"):
        candidates = [o for o in objects if same(o.get("class"), wanted) and is_plain(o)]
        if candidates:
            best = max(candidates, key=lambda o: children.get(key(o["name"]), 0))
            result["unit"] = best["name"].strip(".")
            result["class"] = best["class"]
            break
    return result


def main():
    if len(sys.argv) != 2:
        fail("usage: demo-config.py <image.json>")
    try:
        with open(sys.argv[1], "rb") as f:
            image = json.loads(f.read().decode("utf-8"))
    except (OSError, ValueError) as e:
        fail("cannot read %s: %s" % (sys.argv[1], e))
    if not isinstance(image, dict) or image.get("format") != "orrel-directory-image":
        fail("%s is not a directory image" % sys.argv[1])
    for name, value in pick(image).items():
        if "\n" in value or "\r" in value:
            fail("a name in the image holds a line break")
        print("%s=%s" % (name, value))


if __name__ == "__main__":
    main()

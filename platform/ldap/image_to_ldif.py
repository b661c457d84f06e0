#!/usr/bin/env python3
"""Exports one tree of a directory image as LDIF, in the names the search
asks the LDAP server for.

    image_to_ldif.py <image.json> [--tree NAME] [-o out.ldif] [--password VALUE]
    image_to_ldif.py <image.json> [--tree NAME] --identities

Dotted names become distinguished names typed by the class of each level:
Organization o=, Organizational Unit ou=, Country c=, Locality l= (st= when
the locality is named by its state), anything else cn=. So Admin.Sales.Corp
becomes cn=Admin,ou=Sales,o=Corp.

Object classes: User inetOrgPerson (with the auxiliary orrelPerson),
Group groupOfNames, Volume volume, Printer Printer, Queue Queue, File
Server orrelFileServer and Print Server orrelPrintServer (both below
orrelServer), Organization organization and Organizational Unit
organizationalUnit (both with the auxiliary orrelContainer, which holds
their login script), Country country, Locality locality, aliases alias; any
other class orrelObject. The attribute and class names that the stock
schemas lack are in orrel.schema beside this script.

Values that name directory objects (members, owners, host servers) become
distinguished names; a name that is not in the tree is left out with a
warning on stderr. Entries come parents first, so that slapadd takes them in
order. Exit status 1 with a message when the image cannot be read or holds no
such tree.
"""

import argparse
import base64
import json
import os
import sys

# The mapping between directory names and LDAP lives in mapping.json beside
# this script; the directory client's LDAP source is built from the same file.
MAPPING_FILE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "mapping.json")


def load_mapping(path=MAPPING_FILE):
    with open(path, encoding="utf-8") as f:
        table = json.load(f)
    sets = table["attributeSets"]

    def kind(entry):
        attributes = {}
        conversions = {}
        for set_name in entry["sets"]:
            for attribute, ldap_name, conversion, _syntax in sets[set_name]:
                attributes[attribute] = ldap_name
                conversions[ldap_name] = conversion
        classes = entry["objectClasses"] + entry.get("auxiliaryClasses", [])
        return classes, attributes, conversions, entry.get("required", {})

    kinds = {entry["class"]: kind(entry) for entry in table["classes"]}
    naming = {}
    for rule in table["naming"]:
        naming.setdefault(rule["class"], []).append((rule["type"], rule["attribute"]))
    conversions = {}
    for kind_entry in list(kinds.values()) + [kind(table["otherClass"])]:
        conversions.update(kind_entry[2])
    alias_attr, alias_ldap, _, _ = table["aliasTarget"]
    conversions[alias_ldap] = "dn"
    return {
        "kinds": kinds,
        "other": kind(table["otherClass"]),
        "naming": naming,
        "default_naming": (table["defaultNaming"]["type"], table["defaultNaming"]["attribute"]),
        "alias_naming": (table["aliasNaming"]["type"], table["aliasNaming"]["attribute"]),
        "alias_classes": table["aliasClasses"],
        "alias_target": (alias_attr, alias_ldap),
        "conversions": conversions,
        "containers": set(c for c in naming),
    }


MAPPING = load_mapping()


class ExportError(Exception):
    pass


def labels_of(name):
    name = name[1:] if name.startswith(".") else name
    return name.split(".")


def key_of(name):
    return ".".join(labels_of(name)).lower()


class Attributes(dict):
    """An object's attributes by name, whatever the case of the name (the
    directory's names ignore case: "Email Address" is "EMail Address")."""

    def __init__(self, attributes):
        super().__init__()
        for name, values in (attributes or {}).items():
            self.setdefault(name.lower(), []).extend(values if isinstance(values, list) else [values])

    def get(self, name, default=None):
        return super().get(name.lower(), default)

    def __contains__(self, name):
        return super().__contains__(name.lower())

    def __getitem__(self, name):
        return super().__getitem__(name.lower())


def escape_rdn_value(value):
    """RFC 4514 escaping of an attribute value inside a DN."""
    out = []
    for i, ch in enumerate(value):
        if ch in ',+"\\<>;=':
            out.append("\\" + ch)
        elif ch == "#" and i == 0:
            out.append("\\#")
        elif ch == " " and (i == 0 or i == len(value) - 1):
            out.append("\\ ")
        elif ord(ch) < 0x20 or ch == "\x7f":
            out.append("\\%02X" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


class TreeExport:
    def __init__(self, tree, streams=None):
        self.tree = tree
        # The image's streams folder: a stream value names a file in it.
        self.streams = streams
        self.objects = {}
        for obj in tree.get("objects", []):
            self.objects[key_of(obj["name"])] = obj
        self.warnings = []

    def naming(self, obj, label):
        """The RDN type of an object and the attribute that holds its naming value."""
        flags = obj.get("flags", [])
        if "alias" in flags or "containerAlias" in flags:
            return MAPPING["alias_naming"]
        rules = MAPPING["naming"].get(obj.get("class", ""))
        if not rules:
            return MAPPING["default_naming"]
        for rdn_type, attribute in rules:
            held = [v for v in Attributes(obj.get("attributes")).get(attribute, []) if isinstance(v, str)]
            if any(v.lower() == label.lower() for v in held):
                return rdn_type, attribute
        return rules[0]

    def naming_type(self, obj, label):
        return self.naming(obj, label)[0]

    def dn(self, name):
        """The DN of a dotted name; None when some level is not in the tree."""
        labels = labels_of(name)
        parts = []
        for i in range(len(labels)):
            key = ".".join(labels[i:]).lower()
            obj = self.objects.get(key)
            if obj is None:
                return None
            parts.append("%s=%s" % (self.naming_type(obj, labels[i]), escape_rdn_value(labels[i])))
        return ",".join(parts)

    def value_text(self, conversion, value, obj_name, attribute):
        """An LDAP value for one directory value (bytes for a stream); None to
        leave it out."""
        if conversion == "stream":
            # The content of the stream's file; a missing file is an empty stream.
            if not isinstance(value, str) or not value or any(c in value for c in "\\/:") or ".." in value:
                return None
            if not self.streams:
                return b""
            try:
                with open(os.path.join(self.streams, value), "rb") as f:
                    return f.read()
            except FileNotFoundError:
                return b""
            except OSError as e:
                self.warnings.append("%s: %s file %r unreadable (%s); left out" % (obj_name, attribute, value, e))
                return None
        if conversion == "dn":
            if isinstance(value, dict):  # typed name
                value = value.get("object", "")
            if not isinstance(value, str):
                return None
            dn = self.dn(value)
            if dn is None:
                self.warnings.append("%s: %s value %r names no object of the tree" %
                                     (obj_name, attribute, value))
            return dn
        if conversion == "typedAddress":
            if isinstance(value, dict):
                value = value.get("address", "")
            if not isinstance(value, str) or not value:
                return None
            # A typed address ("SMTP:x@y") contributes the address alone.
            return value.split(":", 1)[1] if ":" in value else value
        if conversion == "faxNumber":
            return value.get("number") if isinstance(value, dict) else None
        if conversion == "postalAddress":
            if not isinstance(value, list):
                return None
            lines = [line.replace("\\", "\\5C").replace("$", "\\24")
                     for line in value if isinstance(line, str) and line]
            return "$".join(lines) if lines else None
        if conversion == "networkAddress":
            if not isinstance(value, dict):
                return None
            data = bytes.fromhex(value.get("address", ""))
            if value.get("type") == 1 and len(data) >= 4:
                return "ip:%d.%d.%d.%d" % tuple(data[:4])
            return "type%d:%s" % (value.get("type", 0), data.hex().upper())
        if isinstance(value, bool):
            return "TRUE" if value else "FALSE"
        if isinstance(value, (int, float)):
            return str(value)
        if isinstance(value, str):
            return value if value else None
        return None

    def entry(self, obj):
        name = obj["name"]
        dn = self.dn(name)
        if dn is None:
            raise ExportError("%s: a container above it is not in the tree" % name)
        label = labels_of(name)[0]
        attrs = Attributes(obj.get("attributes"))
        flags = obj.get("flags", [])
        rdn_type, naming_source = self.naming(obj, label)
        values = {}

        def add(attribute, text):
            if text is None:
                return
            bucket = values.setdefault(attribute, [])
            if isinstance(text, bytes) or text.lower() not in (v.lower() for v in bucket if isinstance(v, str)):
                bucket.append(text)

        if "alias" in flags or "containerAlias" in flags:
            alias_attribute, alias_ldap = MAPPING["alias_target"]
            target = (attrs.get(alias_attribute) or [None])[0]
            target_dn = self.dn(target) if isinstance(target, str) else None
            if target_dn is None:
                self.warnings.append("%s: alias target %r not in the tree; left out" %
                                     (name, target))
                return None
            for c in MAPPING["alias_classes"]:
                add("objectClass", c)
            add(rdn_type, label)
            add(alias_ldap, target_dn)
            return dn, values

        cls = obj.get("class", "")
        classes, mapping, conversions, required = MAPPING["kinds"].get(cls, MAPPING["other"])
        for c in classes:
            add("objectClass", c)
        # The naming value first, then the object's other names.
        add(rdn_type, label)
        for v in attrs.get(naming_source, []):
            if isinstance(v, str):
                add(rdn_type, v)
        default_type, default_source = MAPPING["default_naming"]
        if rdn_type != default_type and default_source in attrs and cls not in MAPPING["containers"]:
            for v in attrs[default_source]:
                add(default_type, v)
        # The values of a class's other naming attributes that its set lacks
        # (a locality named by its state keeps its L values).
        mapped_types = set(mapping.values())
        for other_type, other_source in MAPPING["naming"].get(cls, []):
            if other_type != rdn_type and other_type not in mapped_types:
                for v in attrs.get(other_source, []):
                    if isinstance(v, str):
                        add(other_type, v)
        for attribute, ldap_name in mapping.items():
            if ldap_name == rdn_type:
                continue
            for v in attrs.get(attribute, []):
                add(ldap_name, self.value_text(conversions[ldap_name], v, name, attribute))
        for ldap_name, rule in required.items():
            if ldap_name not in values:
                # The object class requires it: the label, or the empty DN for none.
                values[ldap_name] = [label] if rule == "label" else [""]
        return dn, values

    def entries(self):
        objs = sorted(self.tree.get("objects", []),
                      key=lambda o: (len(labels_of(o["name"])), labels_of(o["name"])[::-1]))
        for obj in objs:
            e = self.entry(obj)
            if e is not None:
                yield e


def ldif_line(attribute, value):
    if isinstance(value, bytes):  # a binary value: always base64
        value = base64.b64encode(value).decode("ascii")
        line = "%s:: %s" % (attribute, value) if value else "%s:" % attribute
        return "\n".join([line[:76]] + [" " + line[i:i + 75] for i in range(76, len(line), 75)])
    safe = (value == "" or
            (value[0] not in " :<" and value[-1] != " " and
             all(0x20 <= ord(c) < 0x7F for c in value)))
    if safe:
        line = "%s: %s" % (attribute, value) if value else "%s:" % attribute
    else:
        line = "%s:: %s" % (attribute, base64.b64encode(value.encode("utf-8"))
                            .decode("ascii"))
    # Fold at 76 characters.
    out = [line[:76]]
    rest = line[76:]
    while rest:
        out.append(" " + rest[:75])
        rest = rest[75:]
    return "\n".join(out)


def find_tree(image, tree_name=None):
    trees = image.get("trees") if isinstance(image, dict) else None
    if not isinstance(trees, list) or not trees:
        raise ExportError("the image holds no trees")
    if tree_name is None:
        return trees[0]
    matches = [t for t in trees if str(t.get("name", "")).lower() == tree_name.lower()]
    if not matches:
        raise ExportError("the image has no tree %r (trees: %s)" % (
            tree_name, ", ".join(str(t.get("name")) for t in trees)))
    return matches[0]


def identity_names(image, tree):
    """The workstation's identities on a tree: the administrator first, then
    the restricted identity (the image's "second" name), when present."""
    names = []
    workstation = image.get("workstation") if isinstance(image, dict) else None
    for identity in (workstation or {}).get("identities", []) or []:
        if not isinstance(identity, dict):
            continue
        if str(identity.get("tree", "")).lower() != str(tree.get("name", "")).lower():
            continue
        for key in ("name", "second"):
            if isinstance(identity.get(key), str) and identity[key]:
                names.append(identity[key])
    return names


def identity_dns(image, tree_name=None):
    tree = find_tree(image, tree_name)
    ex = TreeExport(tree)
    return [dn for dn in (ex.dn(n) for n in identity_names(image, tree)) if dn]


def streams_folder(image_path):
    """The folder of an image's streams: the image's name with .json replaced."""
    base = image_path[:-5] if image_path.lower().endswith(".json") else image_path
    return base + ".streams"


def export(image, tree_name=None, password=None, streams=None):
    """The LDIF of a tree and the export's warnings. password: a userPassword
    value given to the entries of the workstation's identities on the tree,
    so that they can bind."""
    tree = find_tree(image, tree_name)
    ex = TreeExport(tree, streams)
    bind_dns = set(dn.lower() for dn in identity_dns(image, tree_name)) if password else set()
    chunks = ["# Tree %s, exported from a directory image\n" % tree.get("name")]
    for dn, values in ex.entries():
        if dn.lower() in bind_dns:
            values["userPassword"] = [password]
        lines = [ldif_line("dn", dn)]
        for attribute, texts in values.items():
            for text in texts:
                lines.append(ldif_line(attribute, text))
        chunks.append("\n".join(lines) + "\n")
    return "\n".join(chunks), ex.warnings


def main(argv=None):
    parser = argparse.ArgumentParser(description="Export one tree of a directory image as LDIF.")
    parser.add_argument("image")
    parser.add_argument("--tree", help="tree name (default: the image's first tree)")
    parser.add_argument("-o", "--output", help="LDIF file to write (default: standard output)")
    parser.add_argument("--password", help="userPassword value for the workstation's identities")
    parser.add_argument("--identities", action="store_true",
                        help="print the DNs of the workstation's identities (administrator first)")
    args = parser.parse_args(argv)
    try:
        with open(args.image, encoding="utf-8") as f:
            image = json.load(f)
        if args.identities:
            sys.stdout.write("".join(dn + "\n" for dn in identity_dns(image, args.tree)))
            return 0
        text, warnings = export(image, args.tree, args.password, streams_folder(args.image))
    except (OSError, ValueError, ExportError) as e:
        print("image_to_ldif: error: %s" % e, file=sys.stderr)
        return 1
    for w in warnings:
        print("image_to_ldif: warning: %s" % w, file=sys.stderr)
    if args.output:
        with open(args.output, "w", encoding="ascii", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())

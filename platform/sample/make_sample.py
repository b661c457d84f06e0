#!/usr/bin/env python3
"""Writes the sample directory image orrel-sample-directory.json and its
streams folder orrel-sample-directory.streams/ beside this script (or into
the folder given with -o).

The sample is the directory of the demo and of the tests: two trees, the main
one ("ORREL_TREE") with an Organization, its units, a Country, Localities,
40 Users carrying every attribute the User pages read, Groups, file servers
with Volumes, a print server, Printers with a "Printer Configuration", Queues,
an alias, a container alias and a partition root; and a small second tree
("SMALL_TREE"). README.md beside this script describes the identities and
their rights.

The output is deterministic: running the script again gives the same bytes.
"""

import argparse
import json
import os
import shutil
import struct
import sys

MAIN_TREE = "ORREL_TREE"
SMALL_TREE = "SMALL_TREE"

# ---------------------------------------------------------------------------
# Schema

# name: (syntax, single valued, (lower, upper) or None)
ATTRIBUTES = {
    "Object Class": (20, False, None),
    "ACL": (17, False, None),
    "Aliased Object Name": (1, True, None),
    "See Also": (1, False, None),
    "C": (3, True, (2, 2)),
    "L": (3, False, (1, 128)),
    "S": (3, False, (1, 128)),
    "SA": (3, False, (1, 128)),
    "O": (3, False, (1, 64)),
    "OU": (3, False, (1, 64)),
    "CN": (3, False, (1, 64)),
    "Description": (3, False, (1, 1024)),
    "Surname": (3, False, (1, 64)),
    "Given Name": (3, False, (1, 32)),
    "Initials": (3, False, (1, 8)),
    "Full Name": (3, False, (1, 127)),
    "Generational Qualifier": (3, True, (1, 8)),
    "Title": (3, False, (1, 64)),
    # Case-ignore string, not telephone number (10): the Work Information
    # page writes its values with syntax 3, and the client libraries take a
    # value only in the syntax its attribute is defined with.
    "Telephone Number": (3, False, (1, 32)),
    "Facsimile Telephone Number": (11, False, None),
    "Postal Office Box": (3, False, (1, 40)),
    "Physical Delivery Office Name": (3, False, (1, 128)),
    "Postal Code": (3, False, (1, 40)),
    "Postal Address": (18, False, None),
    "EMail Address": (14, False, None),
    "Internet EMail Address": (3, False, (1, 256)),
    "Login Script": (21, True, None),
    "Last Login Time": (24, True, None),
    "Login Expiration Time": (24, True, None),
    "Login Grace Limit": (8, True, None),
    "Login Grace Remaining": (22, True, None),
    "Login Maximum Simultaneous": (8, True, None),
    "Login Disabled": (7, True, None),
    "Allow Unlimited Credit": (7, True, None),
    "Minimum Account Balance": (8, True, None),
    "Account Balance": (22, True, None),
    "Login Allowed Time Map": (9, True, (42, 42)),
    "Password Allow Change": (7, True, None),
    "Password Required": (7, True, None),
    "Password Minimum Length": (8, True, None),
    "Password Expiration Interval": (27, True, None),
    "Password Expiration Time": (24, True, None),
    "Password Unique Required": (7, True, None),
    "Group Membership": (1, False, None),
    "Member": (1, False, None),
    "Owner": (1, False, None),
    "Operator": (1, False, None),
    "Message Server": (1, True, None),
    "Home Directory": (15, True, None),
    "Network Address": (12, False, None),
    "Host Server": (1, True, None),
    "Host Resource Name": (3, True, (1, 16)),
    "Version": (3, True, (1, 64)),
    "Print Server": (25, True, None),
    "Queue": (25, False, None),
    "Default Queue": (1, True, None),
    "Printer Configuration": (9, True, None),
    "Network Address Restriction": (12, False, None),
    "Page Description Language": (4, False, (1, 64)),
    "Memory": (8, True, None),
    "Supported Typefaces": (3, False, (1, 64)),
    "Cartridge": (3, False, (1, 64)),
    "Volume": (1, True, None),
    "Server": (1, False, None),
    "Device": (1, False, None),
    "User": (1, False, None),
}

CONTAINER_IDENTIFICATION = ["CN", "Owner", "Description", "L", "S", "SA", "Telephone Number",
                            "Facsimile Telephone Number", "Postal Office Box", "Postal Code",
                            "Postal Address", "EMail Address", "Internet EMail Address",
                            "Login Script", "See Also"]

# name: (container, super classes, containment, naming, mandatory, optional)
CLASSES = {
    "Top": (False, [], [], [], ["Object Class"], ["ACL", "Aliased Object Name", "See Also"]),
    "Tree Root": (True, ["Top"], [], [], [], []),
    "Country": (True, ["Top"], ["Tree Root"], ["C"], ["C"], ["Description"]),
    "Locality": (True, ["Top"],
                 ["Tree Root", "Country", "Organization", "Organizational Unit", "Locality"],
                 ["L", "S"], [], ["L", "S", "SA", "Description"]),
    "Organization": (True, ["Top"], ["Tree Root", "Country", "Locality"], ["O"], ["O"],
                     CONTAINER_IDENTIFICATION + ["OU"]),
    "Organizational Unit": (True, ["Top"], ["Organization", "Organizational Unit", "Locality"],
                            ["OU"], ["OU"], CONTAINER_IDENTIFICATION + ["O"]),
    "Person": (False, ["Top"], [], ["CN"], ["CN", "Surname"],
               ["Full Name", "Given Name", "Initials", "Generational Qualifier", "Description",
                "Telephone Number"]),
    "Organizational Person": (False, ["Person"],
                              ["Organization", "Organizational Unit", "Locality"], ["CN"], [],
                              ["Title", "L", "O", "OU", "Facsimile Telephone Number", "SA",
                               "Postal Office Box", "Physical Delivery Office Name", "S",
                               "Postal Code", "Postal Address", "EMail Address",
                               "Internet EMail Address"]),
    "User": (False, ["Organizational Person"], ["Organization", "Organizational Unit", "Locality"],
             ["CN"], [],
             ["Login Script", "Last Login Time", "Login Expiration Time", "Login Grace Limit",
              "Login Grace Remaining", "Login Maximum Simultaneous", "Login Disabled",
              "Allow Unlimited Credit", "Minimum Account Balance", "Account Balance",
              "Login Allowed Time Map", "Password Allow Change", "Password Required",
              "Password Minimum Length", "Password Expiration Interval",
              "Password Expiration Time", "Password Unique Required", "Group Membership",
              "Message Server", "Home Directory", "Network Address"]),
    "Group": (False, ["Top"], ["Organization", "Organizational Unit"], ["CN"], ["CN"],
              ["Member", "Owner", "Description", "L", "O", "OU", "EMail Address",
               "Internet EMail Address", "Full Name"]),
    "Server": (False, ["Top"], ["Organization", "Organizational Unit"], ["CN"], ["CN"],
               ["Network Address", "Description", "L", "O", "OU", "Operator", "Owner",
                "Version"]),
    "File Server": (False, ["Server"], ["Organization", "Organizational Unit"], ["CN"], [], []),
    "Print Server": (False, ["Server"], ["Organization", "Organizational Unit"], ["CN"], [],
                     []),
    "Volume": (False, ["Top"], ["Organization", "Organizational Unit"], ["CN"], ["CN"],
               ["Host Server", "Host Resource Name", "Network Address", "Description", "L",
                "O", "OU"]),
    "Printer": (False, ["Top"], ["Organization", "Organizational Unit"], ["CN"], ["CN"],
                ["Owner", "Operator", "Description", "Network Address", "L", "O", "OU",
                 "Print Server", "Queue", "Default Queue", "Printer Configuration",
                 "Network Address Restriction", "Page Description Language", "Memory",
                 "Supported Typefaces", "Cartridge"]),
    "Queue": (False, ["Top"], ["Organization", "Organizational Unit"], ["CN"], ["CN"],
              ["Operator", "Owner", "Description", "Network Address", "L", "O", "OU",
               "Volume", "Host Server", "Server", "Device", "User"]),
}


def schema():
    attributes = []
    for name, (syntax, single, size) in ATTRIBUTES.items():
        a = {"name": name, "syntax": syntax, "singleValued": single}
        if size:
            a.update({"sized": True, "lower": size[0], "upper": size[1]})
        attributes.append(a)
    classes = []
    for name, (container, supers, containment, naming, mandatory, optional) in CLASSES.items():
        classes.append({"name": name, "container": container, "superClasses": supers,
                        "containment": containment, "naming": naming,
                        "mandatory": mandatory, "optional": optional})
    return {"attributes": attributes, "classes": classes}


def class_chain(cls):
    """The object's class and its super classes, most specific first."""
    chain, todo = [], [cls]
    while todo:
        c = todo.pop(0)
        if c not in chain:
            chain.append(c)
            todo.extend(CLASSES[c][1])
    return chain


# ---------------------------------------------------------------------------
# Values

def hexbytes(data):
    return data.hex().upper()


def time_map(days=range(7), first=0, last=48):
    """Login Allowed Time Map: bit i is half hour i from Sunday 00:00 UTC."""
    bits = bytearray(42)
    for day in days:
        for half in range(first, last):
            i = day * 48 + half
            bits[i // 8] |= 1 << (i % 8)
    return hexbytes(bytes(bits))


def printer_configuration(printer_type, form, buffer_kb, mode, interval, banner, driver):
    record = struct.pack("<6H4x8s", printer_type, form, buffer_kb, mode, interval, banner,
                         driver.encode("ascii"))
    return hexbytes(record + bytes(1072 - len(record)))


def ip(address):
    return {"type": 1, "address": hexbytes(bytes(int(p) for p in address.split(".")))}


def acl(attribute, subject, privileges):
    return {"attribute": attribute, "subject": subject, "privileges": privileges}


# 2024-05-13 08:30:00 UTC and friends.
T0 = 1715589000
DAY = 86400

# ---------------------------------------------------------------------------
# The main tree


class Tree:
    def __init__(self, name):
        self.name = name
        self.objects = []
        self.by_name = {}
        self.streams = {}

    def add(self, name, cls, attributes, flags=()):
        chain = class_chain(cls)
        values = {"Object Class": [c for c in chain]}
        values.update({k: v for k, v in attributes.items() if v not in (None, [], "")})
        if "Object Class" in attributes:
            values["Object Class"] = attributes["Object Class"]
        obj = {"name": name, "class": cls}
        obj_flags = list(flags)
        if CLASSES[cls][0] and "alias" not in obj_flags and "containerAlias" not in obj_flags:
            obj_flags.insert(0, "container")
        if obj_flags:
            obj["flags"] = obj_flags
        obj["attributes"] = values
        assert name.lower() not in self.by_name, name
        self.objects.append(obj)
        self.by_name[name.lower()] = obj
        return obj

    def get(self, name):
        return self.by_name[name.lower()]

    def append(self, name, attribute, value):
        self.get(name)["attributes"].setdefault(attribute, []).append(value)

    def stream(self, object_name, text):
        file_name = object_name.replace(".", "_") + ".login"
        self.streams[file_name] = text
        return file_name


# Users: label, unit (full name of the container), given name, initials,
# surname, generational qualifier, title, telephone, location.
USERS = [
    ("Admin", "Corp", "Ada", "M", "Mint", None, "Directory Administrator", "555-0100", "Boston"),
    ("Guest", "Corp", "Gale", None, "Guest", None, "Visitor", "555-0101", "Boston"),
    ("MStone", "Sales.Corp", "Mara", "J", "Stone", None, "Sales Manager", "555-0110", "Boston"),
    ("JDoe", "Sales.Corp", "John", "Q", "Doe", "Jr.", "Account Executive", "555-0111", "Boston"),
    ("AKim", "Sales.Corp", "Alma", "R", "Kim", None, "Account Executive", "555-0112", "Boston"),
    ("BKing", "Sales.Corp", "Boris", None, "King", None, "Sales Engineer", "555-0113", "Austin"),
    ("CLane", "Sales.Corp", "Cora", "E", "Lane", None, "Account Executive", "555-0114", "Austin"),
    ("DPark", "Sales.Corp", "Dale", None, "Park", "Sr.", "Regional Director", "555-0115", "Dallas"),
    ("EVale", "Sales.Corp", "Edda", "L", "Vale", None, "Sales Assistant", "555-0116", "Boston"),
    ("FRowe", "Sales.Corp", "Finn", None, "Rowe", None, "Account Executive", "555-0117", "Paris"),
    ("GHart", "Sales.Corp", "Gina", "T", "Hart", None, "Sales Engineer", "555-0118", "Paris"),
    ("HWong", "Sales.Corp", "Hal", None, "Wong", "III", "Account Executive", "555-0119", "Boston"),
    ("IOrtiz", "Inside.Sales.Corp", "Ines", "C", "Ortiz", None, "Inside Sales", "555-0120", "Boston"),
    ("JBloom", "Inside.Sales.Corp", "Joel", None, "Bloom", None, "Inside Sales", "555-0121", "Boston"),
    ("KAdams", "Inside.Sales.Corp", "Kira", "S", "Adams", None, "Team Lead", "555-0122", "Boston"),
    ("LChen", "Engineering.Corp", "Lin", None, "Chen", None, "Chief Engineer", "555-0130", "Boston"),
    ("MNovak", "Engineering.Corp", "Milan", "P", "Novak", None, "Software Engineer", "555-0131", "Boston"),
    ("NReyes", "Engineering.Corp", "Nora", None, "Reyes", None, "Software Engineer", "555-0132", "Austin"),
    ("OBrien", "Engineering.Corp", "Owen", "D", "Brien", None, "Systems Engineer", "555-0133", "Boston"),
    ("PSingh", "Engineering.Corp", "Priya", None, "Singh", None, "Software Engineer", "555-0134", "Boston"),
    ("QMoss", "Engineering.Corp", "Quinn", "A", "Moss", None, "Build Engineer", "555-0135", "Dallas"),
    ("RIvers", "Engineering.Corp", "Rae", None, "Ivers", None, "Software Engineer", "555-0136", "Boston"),
    ("SLund", "Engineering.Corp", "Sven", "O", "Lund", None, "Architect", "555-0137", "Paris"),
    ("TOkafor", "Engineering.Corp", "Tolu", None, "Okafor", None, "Software Engineer", "555-0138", "Boston"),
    ("UBerg", "Engineering.Corp", "Ulla", "K", "Berg", None, "Network Engineer", "555-0139", "Boston"),
    ("VCruz", "QA.Engineering.Corp", "Vera", None, "Cruz", None, "Test Lead", "555-0140", "Boston"),
    ("WFox", "QA.Engineering.Corp", "Wade", "B", "Fox", None, "Test Engineer", "555-0141", "Austin"),
    ("XYu", "QA.Engineering.Corp", "Xia", None, "Yu", None, "Test Engineer", "555-0142", "Boston"),
    ("YSato", "QA.Engineering.Corp", "Yuki", None, "Sato", None, "Test Engineer", "555-0143", "Boston"),
    ("ZHale", "Marketing.Corp", "Zora", "N", "Hale", None, "Marketing Director", "555-0150", "Boston"),
    ("ABell", "Marketing.Corp", "Abe", None, "Bell", None, "Product Marketing", "555-0151", "Boston"),
    ("BCole", "Marketing.Corp", "Bea", "G", "Cole", None, "Copywriter", "555-0152", "Paris"),
    ("CDunn", "Marketing.Corp", "Cyd", None, "Dunn", None, "Designer", "555-0153", "Boston"),
    ("DEaton", "Marketing.Corp", "Dina", None, "Eaton", None, "Events", "555-0154", "Dallas"),
    ("EFinch", "Marketing.Corp", "Eli", "W", "Finch", None, "Web Editor", "555-0155", "Boston"),
    ("FGrant", "Support.Corp", "Fay", None, "Grant", None, "Support Manager", "555-0160", "Boston"),
    ("GHill", "Support.Corp", "Gus", "H", "Hill", None, "Support Engineer", "555-0161", "Austin"),
    ("HIrwin", "Support.Corp", "Hana", None, "Irwin", None, "Support Engineer", "555-0162", "Boston"),
    ("IJones", "Support.Corp", "Ivo", None, "Jones", None, "Support Engineer", "555-0163", "Boston"),
    ("JKhan", "Support.Corp", "Jana", "F", "Khan", None, "Support Engineer", "555-0164", "Boston"),
]

POSTAL = {
    "Boston": ("1 Harbor Way", "Boston", "MA", "02110"),
    "Austin": ("400 Congress Ave", "Austin", "TX", "78701"),
    "Dallas": ("200 Main St", "Dallas", "TX", "75201"),
    "Paris": ("10 Rue de la Paix", "Paris", "Ile de France", "75002"),
}

# Readable for the second identity everywhere in Corp (read right only).
GUEST_READABLE = [
    "Object Class", "CN", "Given Name", "Initials", "Surname", "Full Name",
    "Generational Qualifier", "EMail Address", "Internet EMail Address", "Title", "Description",
    "L", "O", "OU", "Telephone Number", "Facsimile Telephone Number", "Owner", "Operator",
    "Host Server", "Host Resource Name", "Network Address", "Print Server", "Queue",
    "Default Queue", "Page Description Language", "Memory", "Supported Typefaces", "Cartridge",
    "Volume", "Server", "Device", "User",
]
# Writable for the second identity below Sales.Corp.
GUEST_WRITABLE_IN_SALES = ["Telephone Number", "Title", "Description"]
# Readable for the second identity on the Localities only.
GUEST_READABLE_ON_LOCALITIES = ["S", "SA"]

LOGIN_SCRIPT = """REM Login script of {name}
REM Written for the sample directory; the commands are examples only.
SET DEPARTMENT="{unit}"
DRIVE H: = ORREL-FS1_DATA:\\HOME\\{label}
ECHO Welcome, {full}.
"""


def build_main_tree():
    t = Tree(MAIN_TREE)
    admin = "Admin.Corp"
    guest = "Guest.Corp"
    corp_acl = [acl("[Entry Rights]", admin, 0x20),
                acl("[All Attributes Rights]", admin, 0x2F)]
    corp_acl += [acl(a, guest, 0x02) for a in GUEST_READABLE]
    corp_acl += [acl("[Entry Rights]", "[Public]", 0x01)]

    t.add("Corp", "Organization", {
        "O": ["Corp", "Corp Incorporated"],
        "Description": ["The organization of the sample directory"],
        "L": ["Boston"],
        "Telephone Number": ["555-0199"],
        "Owner": ["Admin.Corp"],
        "EMail Address": [{"type": 7, "address": "info@corp.example"}],
        "Login Script": [t.stream("Corp", LOGIN_SCRIPT.format(
            name=".Corp", unit="Corp", label="PUBLIC", full="member of Corp"))],
        "ACL": corp_acl,
    })
    t.add("Sales.Corp", "Organizational Unit", {
        "OU": ["Sales", "Field Sales"],
        "Description": ["Sales and account management"],
        "L": ["Boston", "Austin"],
        "O": ["Corp"],
        "Owner": ["MStone.Sales.Corp"],
        "ACL": [acl(a, guest, 0x06) for a in GUEST_WRITABLE_IN_SALES],
    })
    t.add("Inside.Sales.Corp", "Organizational Unit", {
        "OU": ["Inside"], "Description": ["Inside sales"], "L": ["Boston"]})
    t.add("Engineering.Corp", "Organizational Unit", {
        "OU": ["Engineering", "R&D"], "Description": ["Product engineering"],
        "L": ["Boston"], "Owner": ["LChen.Engineering.Corp"],
        "Login Script": [t.stream("Engineering.Corp", LOGIN_SCRIPT.format(
            name=".Engineering.Corp", unit="Engineering", label="ENG", full="engineer"))],
    }, flags=["partitionRoot"])
    t.add("QA.Engineering.Corp", "Organizational Unit", {
        "OU": ["QA", "Quality Assurance"], "L": ["Boston"]})
    t.add("Marketing.Corp", "Organizational Unit", {
        "OU": ["Marketing"], "Description": ["Marketing and communications"], "L": ["Boston"]})
    t.add("Support.Corp", "Organizational Unit", {
        "OU": ["Support"], "Description": ["Customer support"], "L": ["Boston", "Austin"]})

    # Localities: one named by "L" whose first "S" differs from its name, one
    # named by "S", and one in a Country named by a lower-case "L" value.
    t.add("Boston.Corp", "Locality", {
        "L": ["Boston", "Back Bay"], "S": ["Massachusetts", "MA"], "SA": ["1 Harbor Way"],
        "Description": ["Head office"],
        "ACL": [acl(a, guest, 0x02) for a in GUEST_READABLE_ON_LOCALITIES]})
    t.add("Texas.Corp", "Locality", {
        "S": ["Texas", "TX"], "L": ["Austin", "Dallas"],
        "SA": ["400 Congress Ave", "200 Main St"], "Description": ["Texas offices"],
        "ACL": [acl(a, guest, 0x02) for a in GUEST_READABLE_ON_LOCALITIES]})
    t.add("FR", "Country", {
        "C": ["FR"], "Description": ["France"],
        "ACL": [acl("[Entry Rights]", admin, 0x20), acl("[All Attributes Rights]", admin, 0x2F),
                acl("[All Attributes Rights]", guest, 0x02)]})
    t.add("Paris.FR", "Locality", {
        "L": ["paris", "Ile de France"], "S": ["Ile de France"],
        "SA": ["10 Rue de la Paix"], "Description": ["Paris office"]})

    # Servers and their volumes.
    t.add("ORREL-FS1.Corp", "File Server", {
        "CN": ["ORREL-FS1"], "Network Address": [ip("127.0.0.1")],
        "Description": ["Main file server"], "L": ["Boston"], "Version": ["5.0.0"],
        "Operator": [admin]})
    t.add("ORREL-FS2.Engineering.Corp", "File Server", {
        "CN": ["ORREL-FS2"], "Network Address": [ip("127.0.0.2")],
        "Description": ["Engineering file server"], "L": ["Boston"], "Version": ["4.11.0"],
        "Operator": ["LChen.Engineering.Corp"]})
    t.add("ORREL-PS1.Corp", "Print Server", {
        "CN": ["ORREL-PS1"], "Network Address": [ip("127.0.0.1")],
        "Description": ["Print server"], "Operator": [admin]})
    volumes = [
        ("ORREL-FS1_SYS.Corp", "ORREL-FS1.Corp", "SYS", "System volume of ORREL-FS1"),
        ("ORREL-FS1_DATA.Corp", "ORREL-FS1.Corp", "DATA", "Shared data, compressed"),
        ("ORREL-FS2_SYS.Engineering.Corp", "ORREL-FS2.Engineering.Corp", "SYS",
         "System volume of ORREL-FS2"),
        ("ORREL-FS2_HOME.Engineering.Corp", "ORREL-FS2.Engineering.Corp", "HOME",
         "Home directories of Engineering"),
    ]
    for name, server, resource, description in volumes:
        t.add(name, "Volume", {
            "CN": [name.split(".")[0]], "Host Server": [server], "Host Resource Name": [resource],
            "Description": [description], "L": ["Boston"], "O": ["Corp"]})
    # A volume whose host server is not recorded.
    t.add("Archive.Corp", "Volume", {
        "CN": ["Archive", "Old Archive"], "Description": ["Retired volume"],
        "L": ["Boston"], "Host Resource Name": ["ARCHIVE"]})

    # Users.
    unlimited_credit = "DPark.Sales.Corp"
    no_grace_limit = "BKing.Sales.Corp"
    ninety_days = "JDoe.Sales.Corp"
    no_full_name = "JBloom.Inside.Sales.Corp"
    no_login_script = {"Guest.Corp", "CLane.Sales.Corp", "YSato.QA.Engineering.Corp"}
    disabled = "JKhan.Support.Corp"
    for i, (label, unit, given, initials, surname, qualifier, title, phone, city) in \
            enumerate(USERS):
        name = f"{label}.{unit}"
        full = " ".join(p for p in (given, (initials + ".") if initials else None, surname,
                                    qualifier) if p)
        street, town, state, code = POSTAL[city]
        short = label.lower()
        attrs = {
            "CN": [label, f"{given} {surname}", f"{surname}, {given}"],
            "Given Name": [given],
            "Initials": [initials] if initials else [],
            "Surname": [surname],
            "Full Name": [] if name == no_full_name else [full],
            "Generational Qualifier": [qualifier] if qualifier else [],
            "Title": [title] + (["Mentor"] if i % 7 == 3 else []),
            "Description": [f"{title} in {unit.split('.')[0]}"],
            "L": [city],
            "O": ["Corp"],
            "OU": [unit.split(".")[0]] if unit != "Corp" else [],
            "Telephone Number": [phone] + ([f"555-07{i:02d}"] if i % 3 == 0 else []),
            "Facsimile Telephone Number":
                [{"number": "555-0900", "bitCount": 0, "bits": ""}] if i % 4 == 0 else [],
            "SA": [street],
            "Postal Office Box": [f"PO Box {100 + i}"] if i % 5 == 0 else [],
            "Physical Delivery Office Name": [town],
            "S": [state],
            "Postal Code": [code],
            "Postal Address": [[full or label, street, f"PO Box {100 + i}" if i % 5 == 0 else "",
                                town, state, code]],
            "Last Login Time": [T0 - i * 3600],
            "Login Expiration Time": [T0 + 365 * DAY] if i % 4 == 1 else [],
            "Login Grace Limit": [6],
            "Login Grace Remaining": [6 - (i % 4)],
            "Login Maximum Simultaneous": [2] if i % 3 == 0 else [],
            "Login Disabled": [name == disabled],
            "Allow Unlimited Credit": [False],
            "Minimum Account Balance": [0 if i % 2 else -50],
            "Account Balance": [1000 + 10 * i],
            "Login Allowed Time Map": [time_map() if i % 3 else time_map(range(1, 6), 14, 38)],
            "Password Allow Change": [i % 6 != 5],
            "Password Required": [i % 8 != 7],
            "Password Minimum Length": [5 + i % 4],
            "Password Expiration Interval": [40 * DAY] if i % 2 == 0 else [],
            "Password Expiration Time": [T0 + (10 + i) * DAY] if i % 2 == 0 else [],
            "Password Unique Required": [i % 3 == 0],
        }
        if name not in no_login_script:
            attrs["Login Script"] = [t.stream(name, LOGIN_SCRIPT.format(
                name="." + name, unit=unit.split(".")[0], label=label.upper(),
                full=full or label))]
        # E-mail: a typed address, a plain one, an Internet address only, or none.
        kind = i % 4
        if kind == 0:
            attrs["EMail Address"] = [{"type": 7, "address": f"SMTP:{short}@corp.example"}]
        elif kind == 1:
            attrs["EMail Address"] = [{"type": 7, "address": f"{short}@corp.example"}]
        elif kind == 2:
            attrs["Internet EMail Address"] = [f"{short}@mail.corp.example"]
        t.add(name, "User", attrs)

    u = t.get
    u(unlimited_credit)["attributes"]["Allow Unlimited Credit"] = [True]
    del u(no_grace_limit)["attributes"]["Login Grace Limit"]
    del u(no_grace_limit)["attributes"]["Login Grace Remaining"]
    jdoe = u(ninety_days)["attributes"]
    jdoe["EMail Address"] = [{"type": 7, "address": "SMTP:jdoe@corp.example"}]
    jdoe.pop("Internet EMail Address", None)
    jdoe.update({"Password Allow Change": [True], "Password Required": [True],
                 "Password Expiration Interval": [7776000],
                 "Password Expiration Time": [T0 + 90 * DAY]})
    # Home pages in "L": one proper, one with blanks around the address after
    # another value, one in the wrong letter case, one where "HomePage:" is
    # not at the start.
    u("AKim.Sales.Corp")["attributes"]["L"] = [
        "Boston", "HomePage: http://intranet.corp.example/people/akim"]
    u("MNovak.Engineering.Corp")["attributes"]["L"] = ["x", "HomePage:  intranet.corp.example  "]
    u("CDunn.Marketing.Corp")["attributes"]["L"] = ["homepage:http://intranet.corp.example/cdunn"]
    u("EFinch.Marketing.Corp")["attributes"]["L"] = [
        "Boston", "See HomePage: http://intranet.corp.example/efinch"]
    # Messages: a user reached through a "Message Server", one through the
    # host server of its "Home Directory" volume.
    u("NReyes.Engineering.Corp")["attributes"]["Message Server"] = ["ORREL-FS2.Engineering.Corp"]
    u("PSingh.Engineering.Corp")["attributes"]["Home Directory"] = [
        {"nameSpace": 0, "volume": "ORREL-FS2_HOME.Engineering.Corp", "path": "\\HOME\\PSINGH"}]
    u("Admin.Corp")["attributes"]["Network Address"] = [ip("127.0.0.1")]
    # The second identity may change its own attributes.
    u(guest)["attributes"]["ACL"] = [acl("[All Attributes Rights]", guest, 0x06)]

    # Groups.
    groups = {
        "Staff.Sales.Corp": ([n for n in t.by_name if n.endswith(".sales.corp") and
                              t.by_name[n]["class"] == "User"], "MStone.Sales.Corp",
                             "Everyone in Sales"),
        "Engineers.Engineering.Corp": ([n for n in t.by_name
                                        if n.endswith("engineering.corp") and
                                        t.by_name[n]["class"] == "User"],
                                       "LChen.Engineering.Corp", "All engineers"),
        "Testers.QA.Engineering.Corp": ([n for n in t.by_name if n.endswith(".qa.engineering.corp")
                                         and t.by_name[n]["class"] == "User"],
                                        "VCruz.QA.Engineering.Corp", "Testers"),
        "Everyone.Corp": (["admin.corp", "mstone.sales.corp", "lchen.engineering.corp",
                           "zhale.marketing.corp", "fgrant.support.corp"], admin,
                          "Managers and the administrator"),
        "NoMail.Support.Corp": (["ijones.support.corp", "ghill.support.corp"],
                                "FGrant.Support.Corp", "Members without e-mail addresses"),
        "Empty.Corp": ([], admin, "A group without members"),
    }
    for gname, (members, owner, description) in groups.items():
        member_names = [t.by_name[m]["name"] for m in members]
        attrs = {"CN": [gname.split(".")[0]], "Owner": [owner], "Description": [description],
                 "L": ["Boston"], "O": ["Corp"], "Member": member_names}
        if gname == "Everyone.Corp":
            attrs["EMail Address"] = [{"type": 7, "address": "SMTP:everyone@corp.example"}]
        t.add(gname, "Group", attrs)
        for m in member_names:
            t.append(m, "Group Membership", gname)
    # Members of "NoMail" have no address: make sure of it.
    for m in groups["NoMail.Support.Corp"][0]:
        for a in ("EMail Address", "Internet EMail Address"):
            t.by_name[m]["attributes"].pop(a, None)

    # Printers and queues.
    t.add("Laser-Q.Sales.Corp", "Queue", {
        "CN": ["Laser-Q", "Sales laser queue"], "Operator": [admin, "MStone.Sales.Corp"],
        "Description": ["Queue of the Sales laser printer"], "L": ["Boston"], "O": ["Corp"],
        "OU": ["Sales"], "Volume": ["ORREL-FS1_SYS.Corp"], "Host Server": ["ORREL-FS1.Corp"],
        "Server": ["ORREL-PS1.Corp"], "Device": ["Laser-1.Sales.Corp"],
        "User": ["Staff.Sales.Corp", "JDoe.Sales.Corp", "AKim.Sales.Corp"]})
    t.add("Draft-Q.Sales.Corp", "Queue", {
        "CN": ["Draft-Q"], "Operator": ["MStone.Sales.Corp"], "Description": ["Draft prints"],
        "Volume": ["ORREL-FS1_DATA.Corp"], "Host Server": ["ORREL-FS1.Corp"],
        "Server": ["ORREL-PS1.Corp"], "Device": ["Laser-1.Sales.Corp"],
        "User": ["Staff.Sales.Corp"]})
    t.add("Color-Q.Marketing.Corp", "Queue", {
        "CN": ["Color-Q"], "Operator": ["ZHale.Marketing.Corp"],
        "Description": ["Colour proofs"], "L": ["Boston"], "O": ["Corp"], "OU": ["Marketing"],
        "Volume": ["ORREL-FS1_DATA.Corp"], "Host Server": ["ORREL-FS1.Corp"],
        "Server": ["ORREL-PS1.Corp"], "Device": ["Color-1.Marketing.Corp"],
        "User": ["ZHale.Marketing.Corp", "BCole.Marketing.Corp", "CDunn.Marketing.Corp"]})
    # A queue with no "Volume" and no "Server".
    t.add("Idle-Q.Support.Corp", "Queue", {
        "CN": ["Idle-Q"], "Description": ["A queue no print server services"],
        "Host Server": ["ORREL-FS1.Corp"], "Device": ["Old-Printer.Support.Corp"]})
    t.add("Laser-1.Sales.Corp", "Printer", {
        "CN": ["Laser-1", "Sales laser"], "Owner": ["MStone.Sales.Corp"],
        "Operator": [admin], "Description": ["Laser printer by the Sales entrance"],
        "Network Address": [{"type": 0, "address": "010203040000" + "1B2C3D4E" + "0451"},
                            ip("127.0.0.1")],
        "L": ["Boston"], "O": ["Corp"], "OU": ["Sales"],
        "Print Server": [{"object": "ORREL-PS1.Corp", "level": 0, "interval": 0}],
        "Queue": [{"object": "Laser-Q.Sales.Corp", "level": 1, "interval": 0},
                  {"object": "Draft-Q.Sales.Corp", "level": 2, "interval": 0}],
        # Differs from the queue's name in letter case only.
        "Default Queue": ["laser-q.sales.corp"],
        "Printer Configuration": [printer_configuration(1, 0, 3, 0, 5, 0, "LASR")],
        "Network Address Restriction": [{"type": 0, "address": "00000001001B2C3D4E5F"}],
        "Page Description Language": ["PostScript", "PCL"],
        "Memory": [4096],
        "Supported Typefaces": ["Courier", "Roman", "Sans"],
        "Cartridge": ["Forms A"]})
    t.add("Color-1.Marketing.Corp", "Printer", {
        "CN": ["Color-1"], "Owner": ["ZHale.Marketing.Corp"],
        "Description": ["Colour printer"], "L": ["Boston"], "O": ["Corp"], "OU": ["Marketing"],
        "Network Address": [ip("127.0.0.1")],
        "Print Server": [{"object": "ORREL-PS1.Corp", "level": 0, "interval": 0}],
        "Queue": [{"object": "Color-Q.Marketing.Corp", "level": 1, "interval": 0}],
        "Default Queue": ["Color-Q.Marketing.Corp"],
        "Printer Configuration": [printer_configuration(2, 1, 16, 1, 15, 1, "COLORDRV")],
        "Network Address Restriction": [{"type": 1, "address": "7F000001"}],
        "Page Description Language": ["PostScript"], "Memory": [16384],
        "Supported Typefaces": ["Roman"]})
    # A printer whose configuration record is shorter than its 24 bytes of fields.
    t.add("Old-Printer.Support.Corp", "Printer", {
        "CN": ["Old-Printer"], "Owner": ["FGrant.Support.Corp"],
        "Description": ["Dot matrix printer, configuration record cut short"],
        "Queue": [{"object": "Idle-Q.Support.Corp", "level": 5, "interval": 0}],
        "Printer Configuration": [hexbytes(struct.pack("<6H", 2, 0, 1, 0, 30, 0))]})

    # ---- Object tools (CSV export, mail link, home page) -------------------
    # Values that the tools must handle with care: a quote and a formula for
    # the CSV export, a telephone number with a plus that stays as it is, an
    # address whose "&" the "mailto:" link must encode, a home page that is a
    # bare www. address and one that names a program on a share (never run).
    u("HWong.Sales.Corp")["attributes"]["Description"] = ['15" monitor, "desk" model']
    u("GHart.Sales.Corp")["attributes"]["Title"] = ['=HYPERLINK("http://evil.example","Click")']
    u("GHart.Sales.Corp")["attributes"]["Telephone Number"] = ["+1 555 0120"]
    u("DEaton.Marketing.Corp")["attributes"]["EMail Address"] = [
        {"type": 7, "address": "SMTP:events&press@corp.example"}]
    u("UBerg.Engineering.Corp")["attributes"]["L"] = ["Boston", "HomePage: www.corp.example/~uberg"]
    u("RIvers.Engineering.Corp")["attributes"]["L"] = [
        "Boston", "HomePage: \\\\ORREL-FS1\\SYS\\PUBLIC\\setup.exe"]
    # ---- end of the object tools' block --------------------------------------

    # Aliases: a user alias and a container alias.
    t.add("Boss.Corp", "User", {"CN": ["Boss"], "Aliased Object Name": ["MStone.Sales.Corp"],
                                "Object Class": ["Alias", "Top"]}, flags=["alias"])
    t.add("Field.Corp", "Organizational Unit", {"OU": ["Field"],
                                                "Aliased Object Name": ["Sales.Corp"],
                                                "Object Class": ["Alias", "Top"]},
          flags=["containerAlias"])
    complete_container_group_queue_pages(t)
    complete_volume_printer_pages(t)
    return t


# ---------------------------------------------------------------------------
# Container, Group, Queue and Locality pages: values their pages read that the
# objects above leave out (the Localities, Groups and Queues above already
# carry the rest: Boston named by "L", Texas by "S", Empty without members,
# Laser-Q with servers, devices and users, Idle-Q without "Volume" and
# "Server").


def complete_container_group_queue_pages(t):
    # An Organization with other names and a department; a unit with other
    # names (Sales has no login script: the page creates it); a unit with its
    # organization.
    t.get("Corp")["attributes"]["CN"] = ["Corp", "Corporate Headquarters"]
    t.get("Corp")["attributes"]["OU"] = ["Headquarters"]
    t.get("Sales.Corp")["attributes"]["CN"] = ["Sales", "Sales Department"]
    t.get("Engineering.Corp")["attributes"]["O"] = ["Corp"]
    # A Group with other names and a department.
    t.append("Staff.Sales.Corp", "CN", "Sales Staff")
    t.get("Staff.Sales.Corp")["attributes"]["OU"] = ["Sales"]


# ---------------------------------------------------------------------------
# Volume and Printer pages: values their pages read that the objects above
# leave out (the servers below report the figures: ORREL-FS1 version 5.0
# with a compressed volume, ORREL-FS2 version 4.11 and ACME-FS1 version 4.10
# for both names of name space 4; Printer Configuration and Network Address
# Restriction are not readable for the restricted identity, which hides the
# Configuation page from it).


def complete_volume_printer_pages(t):
    # Volumes with a department and other names besides the naming one.
    t.get("ORREL-FS1_DATA.Corp")["attributes"]["OU"] = ["IT"]
    t.append("ORREL-FS1_DATA.Corp", "CN", "Shared Data")
    t.get("ORREL-FS2_SYS.Engineering.Corp")["attributes"]["OU"] = ["Engineering"]


def build_small_tree():
    t = Tree(SMALL_TREE)
    admin, guest = "Admin.Acme", "Guest.Acme"
    t.add("Acme", "Organization", {
        "O": ["Acme"], "Description": ["The second, small tree"],
        "ACL": [acl("[Entry Rights]", admin, 0x20), acl("[All Attributes Rights]", admin, 0x2F),
                acl("[All Attributes Rights]", guest, 0x02)]})
    t.add("Ops.Acme", "Organizational Unit", {"OU": ["Ops"], "Description": ["Operations"]})
    people = [("Admin", "Acme", "Arne", "Admin"), ("Guest", "Acme", "Gert", "Guest"),
              ("RNash", "Ops.Acme", "Rita", "Nash"), ("SOdum", "Ops.Acme", "Sam", "Odum"),
              ("TPike", "Ops.Acme", "Tess", "Pike")]
    for i, (label, unit, given, surname) in enumerate(people):
        name = f"{label}.{unit}"
        t.add(name, "User", {
            "CN": [label, f"{given} {surname}"], "Given Name": [given], "Surname": [surname],
            "Full Name": [f"{given} {surname}"], "Title": ["Operator"],
            "Telephone Number": [f"555-02{i:02d}"], "L": ["Lyon"],
            "EMail Address": [{"type": 7, "address": f"{label.lower()}@acme.example"}],
            "Last Login Time": [T0 - i * DAY], "Login Grace Limit": [3],
            "Login Grace Remaining": [3], "Login Disabled": [False],
            "Allow Unlimited Credit": [True], "Password Allow Change": [True],
            "Password Required": [False], "Password Unique Required": [False],
            "Login Allowed Time Map": [time_map()]})
    members = ["RNash.Ops.Acme", "SOdum.Ops.Acme", "TPike.Ops.Acme"]
    t.add("Ops-Team.Ops.Acme", "Group", {"CN": ["Ops-Team"], "Owner": [admin],
                                         "Member": members})
    for m in members:
        t.append(m, "Group Membership", "Ops-Team.Ops.Acme")
    t.add("ACME-FS1.Acme", "File Server", {"CN": ["ACME-FS1"],
                                           "Network Address": [ip("127.0.0.3")],
                                           "Version": ["5.0.0"]})
    t.add("ACME-FS1_SYS.Acme", "Volume", {"CN": ["ACME-FS1_SYS"], "Host Server": ["ACME-FS1.Acme"],
                                          "Host Resource Name": ["SYS"]})
    return t


def servers():
    return [
        {"name": "ORREL-FS1", "tree": MAIN_TREE, "object": "ORREL-FS1.Corp",
         "address": "127.0.0.1", "version": {"major": 5, "minor": 0, "revision": 0},
         "maxConnections": 250,
         "volumes": [
             {"name": "SYS", "number": 0, "object": "ORREL-FS1_SYS.Corp",
              "usage": {"totalBlocks": 1000, "freeBlocks": 250, "purgeableBlocks": 125,
                        "notYetPurgeableBlocks": 0, "totalDirEntries": 4096,
                        "availableDirEntries": 1024, "sectorsPerBlock": 8},
              "extended": {"features": ["suballocation"], "sizeUnit": 4096,
                           "sectorSize": 512, "totalUnits": 1000, "freeUnits": 250},
              "nameSpaces": [0, 1, 2, 4]},
             {"name": "DATA", "number": 1, "object": "ORREL-FS1_DATA.Corp",
              "usage": {"totalBlocks": 262144, "freeBlocks": 131072, "purgeableBlocks": 4096,
                        "totalDirEntries": 65536, "availableDirEntries": 40000,
                        "sectorsPerBlock": 128},
              "extended": {"features": ["suballocation", "compression", "migration",
                                        "auditing"],
                           "sizeUnit": 4096, "sectorSize": 512, "totalUnits": 262144,
                           "freeUnits": 131072, "dataBeforeCompression": 2000,
                           "dataAfterCompression": 1500},
              "nameSpaces": [0, 4]},
         ],
         "connections": [
             {"number": 1, "user": "Admin.Corp"},
             {"number": 2, "user": "Guest.Corp"},
             {"number": 3, "user": "JDoe.Sales.Corp"},
             {"number": 4, "user": "MStone.Sales.Corp", "acceptsMessages": False},
             {"number": 5, "user": "AKim.Sales.Corp"},
             {"number": 6, "user": "JDoe.Sales.Corp"},
         ]},
        {"name": "ORREL-FS2", "tree": MAIN_TREE, "object": "ORREL-FS2.Engineering.Corp",
         "address": "127.0.0.2", "version": {"major": 4, "minor": 11, "revision": 0},
         "volumes": [
             {"name": "SYS", "number": 0, "object": "ORREL-FS2_SYS.Engineering.Corp",
              "usage": {"totalBlocks": 4000, "freeBlocks": 1000, "purgeableBlocks": 0,
                        "totalDirEntries": 8192, "availableDirEntries": 8000,
                        "sectorsPerBlock": 16},
              "extended": {"features": ["readOnly"], "sizeUnit": 8192},
              "nameSpaces": [0, 4, 9]},
             {"name": "HOME", "number": 1, "object": "ORREL-FS2_HOME.Engineering.Corp",
              "usage": {"totalBlocks": 8000, "freeBlocks": 6000, "purgeableBlocks": 500,
                        "totalDirEntries": 16384, "availableDirEntries": 12000,
                        "sectorsPerBlock": 16},
              "nameSpaces": [0]},
         ],
         "connections": [
             {"number": 1, "user": "Admin.Corp"},
             {"number": 7, "user": "NReyes.Engineering.Corp"},
             {"number": 8, "user": "PSingh.Engineering.Corp"},
         ]},
        {"name": "ACME-FS1", "tree": SMALL_TREE, "object": "ACME-FS1.Acme",
         "address": "127.0.0.3", "version": {"major": 4, "minor": 10, "revision": 0},
         "volumes": [{"name": "SYS", "number": 0, "object": "ACME-FS1_SYS.Acme",
                      "usage": {"totalBlocks": 2000, "freeBlocks": 1500, "purgeableBlocks": 0,
                                "totalDirEntries": 1024, "availableDirEntries": 900,
                                "sectorsPerBlock": 8},
                      "nameSpaces": [0, 4]}],
         "connections": [{"number": 1, "user": "Admin.Acme"},
                         {"number": 2, "user": "RNash.Ops.Acme"}]},
    ]


def workstation():
    return {
        "defaultTree": MAIN_TREE,
        "identities": [{"tree": MAIN_TREE, "name": "Admin.Corp", "second": "Guest.Corp"},
                       {"tree": SMALL_TREE, "name": "Admin.Acme", "second": "Guest.Acme"}],
        "connectionRefs": [{"server": "ORREL-FS1", "authState": 2, "primary": True},
                           {"server": "ORREL-FS2", "authState": 2},
                           {"server": "ACME-FS1", "authState": 2}],
        "requesterVersion": {"major": 4, "minor": 90, "revision": 0},
    }


def image(trees):
    return {
        "format": "orrel-directory-image",
        "version": 1,
        "trees": [{"name": t.name, "schema": schema(), "objects": t.objects} for t in trees],
        "servers": servers(),
        "workstation": workstation(),
    }


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("-o", "--out", default=os.path.dirname(os.path.abspath(__file__)),
                        help="folder to write into (default: beside this script)")
    args = parser.parse_args()
    trees = [build_main_tree(), build_small_tree()]
    os.makedirs(args.out, exist_ok=True)
    path = os.path.join(args.out, "orrel-sample-directory.json")
    streams = os.path.join(args.out, "orrel-sample-directory.streams")
    with open(path, "w", encoding="ascii", newline="\n") as f:
        json.dump(image(trees), f, indent=2, ensure_ascii=True)
        f.write("\n")
    if os.path.isdir(streams):
        shutil.rmtree(streams)
    os.makedirs(streams)
    for t in trees:
        for file_name, text in sorted(t.streams.items()):
            # Login scripts are kept in the OEM code page with CR LF lines.
            with open(os.path.join(streams, file_name), "wb") as f:
                f.write(text.replace("\n", "\r\n").encode("ascii"))
    count = sum(len(t.objects) for t in trees)
    print(f"wrote {path} ({count} objects) and {len(os.listdir(streams))} streams")
    return 0


if __name__ == "__main__":
    sys.exit(main())

#!/usr/bin/env python3
"""The search tests' directory: the sample directory with a few objects the
search must handle added to ORREL_TREE (values with filter metacharacters).

    make_find_image.py <sample.json> -o <out.json>
"""

import argparse
import copy
import json


def user(name, container, cn, surname, given, full, phone):
    return {"name": f"{name}.{container}", "class": "User", "attributes": {
        "Object Class": ["User", "Organizational Person", "Person", "Top"],
        "CN": cn, "Surname": [surname], "Given Name": [given], "Full Name": [full],
        "Telephone Number": [phone], "L": ["Annex (East)"], "O": ["Corp"], "OU": ["Contractors"]}}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("sample")
    parser.add_argument("-o", "--output", required=True)
    args = parser.parse_args()
    with open(args.sample, encoding="utf-8") as f:
        image = json.load(f)
    tree = next(t for t in image["trees"] if t["name"] == "ORREL_TREE")
    objects = tree["objects"]
    objects.append({"name": "Contractors.Corp", "class": "Organizational Unit",
                    "flags": ["container"], "attributes": {
                        "Object Class": ["Organizational Unit", "Top"], "OU": ["Contractors"],
                        "Description": ["People on contract (temporary)"]}})
    objects.append(user("PSmith", "Contractors.Corp", ["PSmith", "Pat Smith"], "Smith (Contractor)",
                        "Pat", "Pat Smith (Contractor)", "555-0700"))
    objects.append(user("RStar", "Contractors.Corp", ["RStar"], "Star*",
                        "Rae", "Rae Star\\Back", "555-0701"))
    # The attribute names, and the stream folder, stay those of the sample.
    out = copy.deepcopy(image)
    with open(args.output, "w", encoding="utf-8") as f:
        json.dump(out, f, indent=1)


if __name__ == "__main__":
    main()

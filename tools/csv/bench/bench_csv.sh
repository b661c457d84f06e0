#!/bin/bash
# Export benchmark: 20 fields of <count> selected Users (default 1000)
# exported to CSV, beside reading the same values through the directory
# operations alone. Makes the image (platform/tools/make_large_tree.py with
# the Users' other attributes filled in), then runs csv_export_bench.exe
# under Wine with the directory client reading it.
#
#   bash tools/csv/bench/bench_csv.sh [count] [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
count=${1:-1000}
build=${2:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

python3 "$root/platform/tools/make_large_tree.py" $((count + 1)) -o "$work/large.json" >/dev/null
python3 - "$work/large.json" <<'PY'
import json, sys
path = sys.argv[1]
image = json.load(open(path))
for i, o in enumerate(image["trees"][0]["objects"]):
    if o["class"] != "User" or o["name"].startswith("Admin."):
        continue
    label = o["name"].split(".")[0]
    o["attributes"].update({
        "Title": ["Engineer"], "Description": [f"Generated user {i}"], "O": ["Big"],
        "OU": ["Generated"], "SA": [f"{i} Main Street"], "S": ["MA"],
        "Postal Code": [f"0{i % 10000:04d}"], "Initials": ["Q"],
        "Internet EMail Address": [f"{label.lower()}@mail.big.example"],
        "EMail Address": [{"type": 7, "address": f"SMTP:{label.lower()}@big.example"}],
        "Physical Delivery Office Name": ["Boston"], "Login Grace Limit": [6],
        "Last Login Time": [1715589000 - i], "Login Disabled": [i % 9 == 0]})
json.dump(image, open(path, "w"))
PY
export ORREL_DIRECTORY_IMAGE="Z:$work/large.json"
"$root/scripts/wine-run.sh" "$build/bin/csv_export_bench.exe" LARGE_TREE Big 3

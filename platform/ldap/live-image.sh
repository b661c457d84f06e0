#!/usr/bin/env bash
# Serves a tree of an image live from slapd: starts slapd-start.sh with the
# image, and writes a copy of the image whose tree entry names the server
# (its "ldap" member, see platform/image/FORMAT.md), so that the directory
# client reads and writes the tree on the server. Prints the copy's path as
# Wine sees it (Z:...), for ORREL_DIRECTORY_IMAGE.
#
#   live-image.sh <image.json> <folder for the copy> [tree]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/slapd-common.sh"
if [ $# -lt 2 ] || [ $# -gt 3 ]; then
  echo "usage: $0 <image.json> <folder> [tree]" >&2
  exit 2
fi
image=$(readlink -f "$1")
folder=$2
tree=${3:-}
bash "$here/slapd-start.sh" "$image" ${tree:+"$tree"} >&2
mkdir -p "$folder"
copy="$(readlink -f "$folder")/$(basename "${image%.json}")-live.json"
python3 - "$image" "$copy" "$tree" "$ORREL_SLAPD_PORT" "$ORREL_SLAPD_PASSWORD" <<'PY'
import json, sys
source, copy, tree, port, password = sys.argv[1:6]
with open(source, encoding="utf-8") as f:
    image = json.load(f)
trees = image["trees"]
chosen = [t for t in trees if t["name"].lower() == tree.lower()] if tree else trees[:1]
if not chosen:
    sys.exit("live-image: no tree %r in the image" % tree)
chosen[0]["ldap"] = {"host": "127.0.0.1", "port": int(port), "base": "", "password": password}
with open(copy + ".tmp", "w", encoding="utf-8") as f:
    json.dump(image, f, indent=2)
PY
mv "$copy.tmp" "$copy"
if [ -d "${image%.json}.streams" ]; then
  rm -rf "${copy%.json}.streams"
  cp -r "${image%.json}.streams" "${copy%.json}.streams"
fi
echo "Z:$copy"

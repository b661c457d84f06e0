#!/usr/bin/env bash
# A server that stops in the middle of a listing: slapd serves a tree of
# 3000 Users (under slapd-run.sh, which holds the port's lock), the test
# program lists them through the directory client and, after its first
# reply, asks (by a marker file) for the server to be stopped; this script
# stops it and says so by a second marker. The program then expects a clear
# directory error, not a hang.
#
#   ldap_stopped_server.sh <source dir> <test program>
set -euo pipefail
source_dir=$1
program=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/ldap-stopped-server.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 "$source_dir/platform/tools/make_large_tree.py" 3000 -o "$work/big.json" >/dev/null
python3 - "$work/big.json" "$work/big-ldap.json" <<'PY'
import json, sys
image = json.load(open(sys.argv[1]))
image["trees"][0]["ldap"] = {"host": "127.0.0.1", "port": 389, "password": "orrel"}
json.dump(image, open(sys.argv[2], "w"))
PY

export ORREL_STOP_IMAGE="Z:$work/big-ldap.json"
export ORREL_STOP_MARKER="Z:$work/stop"
bash "$source_dir/platform/ldap/slapd-run.sh" "$work/big.json" -- bash -c '
  ( for _ in $(seq 1 1200); do
      if [ -e "$1/stop" ]; then bash "$2/platform/ldap/slapd-stop.sh" >/dev/null 2>&1; touch "$1/stopped"; exit 0; fi
      sleep 0.1
    done ) &
  watcher=$!
  status=0
  "$2/scripts/wine-run.sh" "$3" --gtest_color=no --gtest_filter="StoppedServer.*" || status=$?
  kill "$watcher" 2>/dev/null || true
  exit $status' _ "$work" "$source_dir" "$program"

#!/usr/bin/env bash
# Benchmark of a tree served live by slapd beside the image: prints figures,
# checks nothing.
#
#   bench_ldap.sh [count]      (default 100000)
#
# One container of <count> Users, served by slapd. Listing it whole, in the
# same run and with the same page size (1000) and attributes:
#   ldapsearch            the native command-line client
#   the LDAP library      wldap32 alone under Wine, its own paging helpers
#   the directory client  its 4096-byte replies (what the namespace calls)
#   the namespace         EnumObjects of the container's folder, every
#                         identifier walked (view_benchmark list)
# then applying one attribute of one of its Users through the client, on
# slapd and on the image. Needs build/bin/ldap_bench.exe and
# view_benchmark.exe; uses port 389 through slapd-run.sh, so it waits for
# other users of the port.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../.." && pwd)
count=${1:-100000}
bench="${ORREL_BUILD_DIR:-$top/build}/bin/ldap_bench.exe"
[ -f "$bench" ] || { echo "bench_ldap: build ldap_bench first ($bench)" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/orrel-bench-ldap.XXXXXX")
# The namespace's measurement stores a configuration of its own.
export ORREL_BUILD_DIR=${ORREL_BUILD_DIR:-$top/build}
export WINEPREFIX=${ORREL_BENCH_WINEPREFIX:-$ORREL_BUILD_DIR/bench-wineprefix}
source "$top/scripts/xvfb.sh"
orrel_start_xvfb
trap 'rm -rf "$work"; orrel_stop_xvfb' EXIT

python3 "$here/make_large_tree.py" "$count" -o "$work/large.json" >/dev/null
python3 - "$work/large.json" "$work/large-live.json" <<'PY'
import json, sys
image = json.load(open(sys.argv[1]))
image["trees"][0]["ldap"] = {"host": "127.0.0.1", "port": 389, "password": "orrel"}
json.dump(image, open(sys.argv[2], "w"))
PY

# What runs while slapd serves the container.
cat >"$work/run.sh" <<'RUN'
set -euo pipefail
top=$1 bench=$2 work=$3
now() { date +%s.%N; }
best=
for run in 1 2 3; do
  t=$(now)
  n=$(ldapsearch -x -H ldap://127.0.0.1:389 -LLL -o ldif-wrap=no -E pr=1000/noprompt -b o=Big -s one \
      '(objectClass=*)' objectClass hasSubordinates modifyTimestamp | grep -c '^dn: ')
  ms=$(awk -v a="$t" -v b="$(now)" 'BEGIN { printf "%.0f", (b - a) * 1000 }')
  if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
done
echo "ldapsearch:                 list $n entries (pages of 1000): best $best ms over 3 runs"
printf 'LDAP library alone (Wine):  '
"$top/scripts/wine-run.sh" "$bench" library 127.0.0.1 o=Big 2
printf 'directory client on slapd: '
"$top/scripts/wine-run.sh" "$bench" list "Z:$work/large-live.json" LARGE_TREE Big 2
for run in 1 2; do
  printf 'namespace on slapd:         '
  ORREL_DIRECTORY_IMAGE="Z:$(echo "$work/large-live.json" | tr / '\\')" \
    "$top/scripts/wine-run.sh" "$(dirname "$bench")/view_benchmark.exe" list LARGE_TREE Big | tr -d '\r' |
    grep -E '^(list|cannot)' || echo failed
done
printf 'directory client on slapd: '
"$top/scripts/wine-run.sh" "$bench" apply "Z:$work/large-live.json" LARGE_TREE U000500.Big 10
RUN

echo "== $count Users in one container"
bash "$top/platform/ldap/slapd-run.sh" "$work/large.json" -- bash "$work/run.sh" "$top" "$bench" "$work" 2>&1 |
  grep -v '^slapd serves'
printf 'directory client on the image: '
"$top/scripts/wine-run.sh" "$bench" apply "Z:$work/large.json" LARGE_TREE U000500.Big 10

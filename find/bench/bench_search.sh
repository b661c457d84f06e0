#!/usr/bin/env bash
# Benchmark of the search: a container of <count> Users (default 10000)
# served by slapd on 127.0.0.1:389, searched by ldapsearch and by the
# search window (build/bin/find_bench.exe). Prints figures, checks nothing.
#
#   find/bench/bench_search.sh [count] [runs]
#
# Uses port 389 through slapd-run.sh, so it waits for other users of it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
count=${1:-10000}
runs=${2:-3}
build=${ORREL_BUILD_DIR:-$root/build}
work=$(mktemp -d "${TMPDIR:-/tmp}/orrel-find-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 "$root/platform/tools/make_large_tree.py" "$count" --class User -o "$work/large.json" >/dev/null
python3 "$root/platform/ldap/image_to_ldif.py" "$work/large.json" -o "$work/large.ldif"
echo "$count Users in o=Big ($(grep -c '^dn: ' "$work/large.ldif") entries in the LDIF export)"

cat >"$work/inside.sh" <<EOF
set -euo pipefail
times=()
for i in \$(seq $runs); do
  s=\$(date +%s%N)
  n=\$(ldapsearch -x -H ldap://127.0.0.1:389 -o ldif-wrap=no -LLL -b o=Big -s one \
      '(&(objectClass=inetOrgPerson))' dn fullName telephoneNumber givenName sn l cn | grep -c '^dn: ')
  e=\$(date +%s%N)
  times+=(\$(( (e - s) / 1000 )))
done
median=\$(printf '%s\n' "\${times[@]}" | sort -n | sed -n "\$(( ($runs + 1) / 2 ))p")
printf '%-44s %9.1f ms   (%s entries, median of %s)\n' "ldapsearch, same base, scope, filter, attributes" \
  "\$(awk -v us=\$median 'BEGIN { print us / 1000 }')" "\$n" "$runs"
echo "\$median" >"$work/ldapsearch.us"
bash "$root/scripts/wine-run.sh" "$build/bin/find_bench.exe" o=Big $runs | tr -d '\r' | tee "$work/window.out" | grep -v '^X connection'
EOF
bash "$root/platform/ldap/slapd-run.sh" "$work/large.json" -- bash "$work/inside.sh" | grep -v '^slapd serves'
ldap_ms=$(awk '{ print $1 / 1000 }' "$work/ldapsearch.us")
window_ms=$(sed -n 's/^window: click on Search to end of search *\([0-9.]*\) ms.*/\1/p' "$work/window.out")
stop_ms=$(sed -n 's/^window: click on Stop to end of search *\([0-9.]*\) ms.*/\1/p' "$work/window.out")
awk -v l="$ldap_ms" -v w="$window_ms" -v s="$stop_ms" 'BEGIN {
  printf "window / ldapsearch: %.1f (target at most 1.5); stop: %.1f ms (target under 20 ms)\n", w / l, s }'

#!/usr/bin/env bash
# Benchmark of the large-tree tooling and of the LDAP view of one large
# container: prints figures, checks nothing.
#
#   bench_large_tree.sh [count...]      (default: 10000 100000)
#
# For each count: the time to generate the image, to export it as LDIF, to
# load it into slapd (slapd-start.sh), and to run the search extension's
# kinds of search against it (every User one level below the container, a
# filtered subtree search, a wildcard on fullName). Uses port 389 through
# slapd-run.sh, so it waits for other users of the port.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ldap="$here/../ldap"
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000)
work=$(mktemp -d "${TMPDIR:-/tmp}/orrel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%8.2f s", b - a }'; }

printf '%-8s %-28s %s\n' "objects" "step" "time / result"
for n in "${counts[@]}"; do
  t=$(now)
  python3 "$here/make_large_tree.py" "$n" -o "$work/large.json" >/dev/null 2>"$work/gen.err" || {
    cat "$work/gen.err" >&2; exit 1; }
  [ ! -s "$work/gen.err" ] || cat "$work/gen.err" >&2
  printf '%-8s %-28s %s   (%s)\n' "$n" "generate image" "$(since "$t")" \
    "$(du -h "$work/large.json" | cut -f1)"
  t=$(now)
  python3 "$ldap/image_to_ldif.py" "$work/large.json" -o "$work/large.ldif"
  printf '%-8s %-28s %s\n' "$n" "export LDIF" "$(since "$t")"

  cat >"$work/searches.sh" <<EOF
set -euo pipefail
now() { date +%s.%N; }
since() { awk -v a="\$1" -v b="\$(now)" 'BEGIN { printf "%8.2f s", b - a }'; }
search() { ldapsearch -x -H ldap://127.0.0.1:\${ORREL_SLAPD_PORT:-389} -o ldif-wrap=no -LLL "\$@" | grep -c '^dn: ' || true; }
t=\$(now); c=\$(search -b o=Big -s one '(objectClass=inetOrgPerson)' dn fullName telephoneNumber givenName sn l cn)
printf '%-8s %-28s %s   (%s entries)\n' "$n" "one-level User search" "\$(since "\$t")" "\$c"
t=\$(now); c=\$(search -b '' -s sub '(&(objectClass=inetOrgPerson)(sn=Oak)(l=Paris))' dn)
printf '%-8s %-28s %s   (%s entries)\n' "$n" "filtered subtree search" "\$(since "\$t")" "\$c"
t=\$(now); c=\$(search -b o=Big -s sub '(&(objectClass=inetOrgPerson)(fullName=*99*))' dn fullName)
printf '%-8s %-28s %s   (%s entries)\n' "$n" "fullName wildcard search" "\$(since "\$t")" "\$c"
EOF
  t=$(now)
  # slapd-run prints the start line; the load time includes slapadd.
  bash "$ldap/slapd-run.sh" "$work/large.json" -- bash -c \
    "printf '%-8s %-28s %s\n' '$n' 'export + slapadd + start' \"\$(awk -v a=$t -v b=\$(date +%s.%N) 'BEGIN { printf \"%8.2f s\", b - a }')\"; bash '$work/searches.sh'" \
    | grep -v '^slapd serves'
done

#!/usr/bin/env bash
# The LDAP view of the sample directory, end to end: the image is exported as
# LDIF, loaded into a slapd on 127.0.0.1, and searched anonymously the way
# the search extension searches it (its filters, bases and attribute names).
#
#   ldap_sample_test.sh <image.json>
#
# Prints one line per failed check with what was found, and exits 1 when any
# check failed (2 when the server could not be started).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
ldapdir=$(cd "$here/.." && pwd)
image=${1:?usage: $0 <image.json>}
export ORREL_SLAPD_PORT=${ORREL_SLAPD_PORT:-389}
url="ldap://127.0.0.1:$ORREL_SLAPD_PORT"

if [ "${1:-}" != "--inside" ]; then
  work=$(mktemp -d "${TMPDIR:-/tmp}/ldap-sample-test.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  failures=0
  fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
  }

  # --- The export alone --------------------------------------------------
  if ! python3 "$ldapdir/image_to_ldif.py" "$image" -o "$work/sample.ldif" 2>"$work/export.err"; then
    echo "FAIL: the sample could not be exported: $(cat "$work/export.err")" >&2
    exit 1
  fi
  if [ -s "$work/export.err" ]; then
    fail "the sample export warned: $(cat "$work/export.err")"
  fi
  for dn in "o=Corp" "ou=Sales,o=Corp" "cn=JDoe,ou=Sales,o=Corp" "ou=QA,ou=Engineering,o=Corp" \
            "c=FR" "l=Paris,c=FR" "st=Texas,o=Corp" "cn=Laser-1,ou=Sales,o=Corp"; do
    grep -qx "dn: $dn" "$work/sample.ldif" || fail "the export has no entry $dn"
  done

  # A tree that does not exist is refused with a message.
  if python3 "$ldapdir/image_to_ldif.py" "$image" --tree NO_SUCH_TREE >/dev/null 2>"$work/err"; then
    fail "exporting a missing tree succeeded"
  elif ! grep -q "NO_SUCH_TREE" "$work/err"; then
    fail "exporting a missing tree said: $(cat "$work/err")"
  fi

  # Labels with characters that DNs escape, and values that LDIF must
  # encode, come out escaped and encoded.
  cat >"$work/odd.json" <<'EOF'
{"format": "orrel-directory-image", "version": 1, "trees": [{"name": "ODD",
 "schema": {"attributes": [], "classes": []},
 "objects": [
  {"name": "Corp", "class": "Organization", "flags": ["container"], "attributes": {"O": ["Corp"]}},
  {"name": "Smith, Jr;#1.Corp", "class": "User", "attributes": {"CN": ["Smith, Jr;#1"],
   "Surname": [" Smith"], "Member": ["Nobody.Corp"]}}
 ]}]}
EOF
  python3 "$ldapdir/image_to_ldif.py" "$work/odd.json" -o "$work/odd.ldif" 2>"$work/odd.err"
  grep -qx 'dn: cn=Smith\\, Jr\\;#1,o=Corp' "$work/odd.ldif" ||
    fail "a label with ',' and ';' was not escaped: $(grep '^dn: cn' "$work/odd.ldif")"
  grep -qx 'sn:: IFNtaXRo' "$work/odd.ldif" ||
    fail "a value with a leading blank was not base64-encoded: $(grep '^sn' "$work/odd.ldif")"

  # --- In slapd ------------------------------------------------------------
  # slapd-run.sh holds the port's lock, starts slapd, runs the checks below
  # (this script again, with --inside) and stops slapd whatever happens.
  bash "$ldapdir/slapd-run.sh" "$image" -- bash "$0" --inside "$image" >"$work/run.out" 2>&1
  status=$?
  cat "$work/run.out"
  if ! grep -q "^CHECKS RAN" "$work/run.out"; then
    echo "FAIL: slapd could not be started for the sample (exit status $status)" >&2
    exit 2
  fi
  [ $status -eq 0 ] || failures=$((failures + 1))

  # Stopped: nothing answers any more, and the temporary folder is gone.
  if ldapsearch -x -H "$url" -o nettimeout=2 -b '' -s base -LLL dn >/dev/null 2>&1; then
    fail "slapd still answers on $url after the run"
  fi
  if [ -f "/tmp/orrel-slapd-$ORREL_SLAPD_PORT.state" ]; then
    fail "the state file of the stopped slapd is left"
  fi

  if [ $failures -ne 0 ]; then
    echo "ldap sample test: $failures check(s) failed" >&2
    exit 1
  fi
  echo "ldap sample test: all checks passed"
  exit 0
fi

# ---------------------------------------------------------------------------
# --inside: slapd serves the sample. Each check prints what it found on
# failure; the exit status is the number of failures (capped).
shift
image=$1
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# search <base> <scope> <filter> [attributes...]: the entries' LDIF, folded
# lines joined, or "ERROR <code>" when ldapsearch failed.
search() {
  local base=$1 scope=$2 filter=$3
  shift 3
  local out rc
  out=$(ldapsearch -x -H "$url" -o ldif-wrap=no -LLL -b "$base" -s "$scope" "$filter" "$@" 2>&1)
  rc=$?
  if [ $rc -ne 0 ]; then
    echo "ERROR $rc: $out"
  else
    echo "$out"
  fi
}
dns() {
  search "$@" dn | sed -n 's/^dn: //p' | sort
}
expect_dns() {
  local what=$1 expected=$2
  shift 2
  local found
  found=$(dns "$@" | tr '\n' ' ' | sed 's/ $//')
  [ "$found" = "$expected" ] || fail "$what: expected [$expected], found [$found]"
}
expect_count() {
  local what=$1 expected=$2
  shift 2
  local found
  found=$(dns "$@" | grep -c . || true)
  [ "$found" = "$expected" ] || fail "$what: expected $expected entries, found $found"
}
expect_line() {
  local what=$1 line=$2 text=$3
  grep -qxF -- "$line" <<<"$text" || fail "$what: no line [$line] in [$(echo "$text" | tr '\n' '|')]"
}

# Anonymous, and the root answers.
who=$(ldapwhoami -x -H "$url" 2>&1)
[ "$who" = "anonymous" ] || fail "anonymous bind: ldapwhoami said [$who]"

users='(&(objectClass=inetOrgPerson))'
expect_count "every User of the tree, from the empty base" 40 "" sub "$users"
expect_count "every User below o=Corp" 40 "o=Corp" sub "$users"
expect_count "Users directly in Sales" 10 "ou=Sales,o=Corp" one "$users"
expect_count "Users in Sales and below" 13 "ou=Sales,o=Corp" sub "$users"

# By cn (naming value and other names), sn, givenName with a wildcard.
expect_dns "cn=JDoe" "cn=JDoe,ou=Sales,o=Corp" "o=Corp" sub "(&(objectClass=inetOrgPerson)(cn=JDoe))"
expect_dns "other name cn=John Doe" "cn=JDoe,ou=Sales,o=Corp" "o=Corp" sub "(&(objectClass=inetOrgPerson)(cn=John Doe))"
expect_dns "sn=Kim" "cn=AKim,ou=Sales,o=Corp" "" sub "(&(objectClass=inetOrgPerson)(sn=Kim))"
expect_dns "sn and givenName" "cn=VCruz,ou=QA,ou=Engineering,o=Corp" "o=Corp" sub \
  "(&(objectClass=inetOrgPerson)(givenName=Ve*)(sn=Cruz))"
expect_dns "fullName with a wildcard" "cn=LChen,ou=Engineering,o=Corp" "o=Corp" sub \
  "(&(objectClass=inetOrgPerson)(fullName=Lin*))"
expect_count "l=Paris users" 4 "o=Corp" sub "(&(objectClass=inetOrgPerson)(l=Paris))"

# The attributes a User search asks for come back under exactly those names.
entry=$(search "o=Corp" sub "(&(objectClass=inetOrgPerson)(cn=AKim))" \
  dn fullName telephoneNumber givenName sn l cn)
expect_line "AKim's fullName" "fullName: Alma R. Kim" "$entry"
expect_line "AKim's telephoneNumber" "telephoneNumber: 555-0112" "$entry"
expect_line "AKim's givenName" "givenName: Alma" "$entry"
expect_line "AKim's sn" "sn: Kim" "$entry"
expect_line "AKim's home page location" "l: HomePage: http://intranet.corp.example/people/akim" "$entry"
expect_line "AKim's other name" "cn: Alma Kim" "$entry"

# Volumes, Printers and Queues by their object classes and attributes.
expect_count "volumes" 5 "" sub "(objectClass=volume)"
entry=$(search "o=Corp" sub "(&(objectClass=volume)(cn=ORREL-FS1_SYS))" dn cn hostServer hostResourceName)
expect_line "volume's hostServer" "hostServer: cn=ORREL-FS1,o=Corp" "$entry"
expect_line "volume's hostResourceName" "hostResourceName: SYS" "$entry"
expect_dns "volumes of a host server" "cn=ORREL-FS2_HOME,ou=Engineering,o=Corp cn=ORREL-FS2_SYS,ou=Engineering,o=Corp" \
  "o=Corp" sub "(&(objectClass=volume)(hostServer=cn=ORREL-FS2,ou=Engineering,o=Corp))"
entry=$(search "o=Corp" sub "(&(objectClass=Printer)(cn=Laser-1))" dn l cn owner)
expect_line "printer's owner" "owner: cn=MStone,ou=Sales,o=Corp" "$entry"
expect_count "printers" 3 "o=Corp" sub "(objectClass=Printer)"
entry=$(search "o=Corp" sub "(&(objectClass=Queue)(cn=Laser-Q))" dn l cn hostServer operator)
expect_line "queue's operator" "operator: cn=Admin,o=Corp" "$entry"
expect_line "queue's hostServer" "hostServer: cn=ORREL-FS1,o=Corp" "$entry"
expect_count "queues" 4 "o=Corp" sub "(objectClass=Queue)"
expect_count "groups" 6 "o=Corp" sub "(objectClass=groupOfNames)"
# Servers of each kind by their own class, all of them below orrelServer;
# organizations and units with their login scripts; the aliases.
expect_dns "print servers" "cn=ORREL-PS1,o=Corp" "" sub "(objectClass=orrelPrintServer)"
expect_count "file servers" 2 "" sub "(objectClass=orrelFileServer)"
expect_count "servers" 3 "" sub "(objectClass=orrelServer)"
expect_dns "containers with a login script" "o=Corp ou=Engineering,o=Corp" "" sub \
  "(&(objectClass=orrelContainer)(loginScript=*))"
entry=$(search "cn=Field,o=Corp" base "(objectClass=*)" aliasedObjectName)
expect_line "the container alias" "aliasedObjectName: ou=Sales,o=Corp" "$entry"
entry=$(search "o=Corp" sub "(cn=Staff)" member)
[ "$(grep -c '^member: ' <<<"$entry")" = 13 ] || fail "Staff should have 13 members: [$entry]"

# The context browser: one level below the root and below o=Corp, with the
# search extension's container filter.
containers='(|(objectClass=domain)(objectClass=organization)(objectClass=organizationalUnit)(objectClass=country)(objectClass=locality))'
expect_dns "top-level containers" "c=FR o=Corp" "" one "$containers"
expect_dns "containers in o=Corp" "l=Boston,o=Corp ou=Engineering,o=Corp ou=Marketing,o=Corp ou=Sales,o=Corp ou=Support,o=Corp st=Texas,o=Corp" \
  "o=Corp" one "$containers"
expect_dns "localities of c=FR" "l=Paris,c=FR" "c=FR" one "$containers"

# A malformed filter is the server's to refuse.
bad=$(search "o=Corp" sub "(&(objectClass=inetOrgPerson)(cn=a(b))")
case $bad in
  ERROR*) ;;
  *) fail "a malformed filter was accepted: [$bad]" ;;
esac

# Access as an organisation runs it: the administrator's identity writes,
# the restricted identity and anonymous clients read, passwords stay hidden.
password=${ORREL_SLAPD_PASSWORD:-orrel}
modify_title() {  # <bind dn> <title>: ldapmodify's status
  printf 'dn: cn=JDoe,ou=Sales,o=Corp\nchangetype: modify\nreplace: title\ntitle: %s\n' "$2" |
    ldapmodify -x -H "$url" -D "$1" -w "$password" >/dev/null 2>&1
  echo $?
}
who=$(ldapwhoami -x -H "$url" -D "cn=Guest,o=Corp" -w "$password" 2>&1)
[ "$who" = "dn:cn=Guest,o=Corp" ] || fail "the restricted identity's bind: [$who]"
[ "$(modify_title "cn=Guest,o=Corp" Intruder)" = 50 ] || fail "the restricted identity was not refused a write"
[ "$(modify_title "cn=Admin,o=Corp" "Written by the administrator")" = 0 ] || fail "the administrator could not write"
entry=$(search "cn=JDoe,ou=Sales,o=Corp" base "(objectClass=*)" title userPassword)
expect_line "the administrator's change, read anonymously" "title: Written by the administrator" "$entry"
grep -q '^userPassword' <<<"$entry" && fail "anonymous clients read a password: [$entry]"
ldapwhoami -x -H "$url" -D "cn=Admin,o=Corp" -w "not-$password" >/dev/null 2>&1 &&
  fail "a wrong password was accepted"

# Starting again with the same data keeps the running server.
state="/tmp/orrel-slapd-$ORREL_SLAPD_PORT.state"
dir_before=$(sed -n 's/^dir=//p' "$state")
bash "$ldapdir/slapd-start.sh" "$image" >/dev/null 2>&1 || fail "a second start of the same data failed"
dir_after=$(sed -n 's/^dir=//p' "$state")
[ "$dir_before" = "$dir_after" ] || fail "a second start replaced the server ($dir_before -> $dir_after)"

echo "CHECKS RAN: $failures failure(s)"
[ $failures -eq 0 ]

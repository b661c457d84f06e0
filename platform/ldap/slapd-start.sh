#!/usr/bin/env bash
# Starts an OpenLDAP slapd on 127.0.0.1 that serves one tree of a directory
# image: read by anonymous clients (the way the search reaches the directory)
# and by the workstation's restricted identity, written by the administrator
# (the image's first identity on the tree), both binding with
# $ORREL_SLAPD_PASSWORD.
#
#   slapd-start.sh <image.json> [tree]
#
# The tree defaults to the image's first tree. Everything lives in a fresh
# temporary folder (configuration, database, pid file, log); slapd-stop.sh
# stops the server and removes the folder.
#
# The database has the empty suffix: every top-level container of the tree
# (o=Corp, c=FR, ...) is served, a search with an empty base covers the whole
# tree, and a one-level search below the empty base lists the top-level
# containers (the search window's context browser starts there).
#
# Idempotent: when the same image and tree are already served, nothing
# happens; an instance of other data is stopped first. A slapd of the system
# (Debian's service) or a stale one that holds the port is stopped; any
# other program on the port makes the start fail.
#
# Environment: ORREL_SLAPD_PORT (default 389), ORREL_SLAPD_STATE (the file
# that records the running instance; default /tmp/orrel-slapd-<port>.state),
# ORREL_SLAPD_TIMEOUT (seconds to wait for the server, default 20),
# ORREL_SLAPD_PASSWORD (the identities' password, default "orrel").
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/slapd-common.sh"

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 <image.json> [tree]" >&2
  exit 2
fi
image=$(readlink -f "$1")
tree=${2:-}
if [ ! -f "$image" ]; then
  orrel_slapd_fail "no image at $1"
fi
for tool in "$SLAPD" "$SLAPADD" ldapsearch python3; do
  command -v "$tool" >/dev/null 2>&1 || orrel_slapd_fail "$tool is not installed (scripts/setup.sh installs slapd and ldap-utils)"
done

# What is to be served, so that a second start of the same data is a no-op.
stamp="$(sha256sum "$image" | cut -d' ' -f1) ${tree} $(printf %s "$ORREL_SLAPD_PASSWORD" | sha256sum | cut -d' ' -f1)"

if [ -f "$ORREL_SLAPD_STATE" ]; then
  old_dir=$(orrel_slapd_state_value dir)
  old_stamp=$(orrel_slapd_state_value stamp)
  old_pid=$(orrel_slapd_pid_of "$old_dir")
  if [ "$old_stamp" = "$stamp" ] && orrel_slapd_alive "$old_pid" && orrel_slapd_answers; then
    echo "slapd already serves $image${tree:+ ($tree)} on $ORREL_SLAPD_URL (pid $old_pid)"
    exit 0
  fi
  bash "$here/slapd-stop.sh"
fi

orrel_slapd_free_port

dir=$(mktemp -d "${TMPDIR:-/tmp}/orrel-slapd.XXXXXX")
cleanup_on_failure() {
  local pid
  pid=$(orrel_slapd_pid_of "$dir")
  if orrel_slapd_alive "$pid"; then kill "$pid" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup_on_failure ERR

mkdir -p "$dir/db"
# The workstation's identities on the tree bind with the password; the first
# (the administrator) may write, everyone else reads.
hashed=$(/usr/sbin/slappasswd -h '{SSHA}' -s "$ORREL_SLAPD_PASSWORD") || orrel_slapd_fail "slappasswd failed"
if ! python3 "$here/image_to_ldif.py" "$image" ${tree:+--tree "$tree"} --password "$hashed" -o "$dir/data.ldif" 2>"$dir/export.log" ||
   ! admin_dn=$(python3 "$here/image_to_ldif.py" "$image" ${tree:+--tree "$tree"} --identities 2>>"$dir/export.log" | head -n 1); then
  cat "$dir/export.log" >&2
  cleanup_on_failure
  orrel_slapd_fail "the image could not be exported as LDIF"
fi

cat >"$dir/slapd.conf" <<EOF
# Written by slapd-start.sh; removed by slapd-stop.sh.
include /etc/ldap/schema/core.schema
include /etc/ldap/schema/cosine.schema
include /etc/ldap/schema/inetorgperson.schema
include /etc/ldap/schema/nis.schema
include $here/orrel.schema

modulepath /usr/lib/ldap
moduleload back_mdb

pidfile $dir/slapd.pid
argsfile $dir/slapd.args
loglevel stats
sizelimit unlimited
timelimit unlimited

# The administrator's identity writes; everyone else, anonymous clients and
# the restricted identity included, reads. Passwords are only compared.
access to attrs=userPassword
  by dn.exact="$admin_dn" write
  by anonymous auth
  by * none
access to *
  by dn.exact="$admin_dn" write
  by * read

database mdb
suffix ""
directory $dir/db
maxsize 4294967296
index objectClass eq
index cn,sn,givenName,l,fullName eq,sub
# Every naming type, so that a dotted name finds its DN at once.
index o,ou,c,st eq
EOF

if ! "$SLAPADD" -q -f "$dir/slapd.conf" -l "$dir/data.ldif" >"$dir/slapadd.log" 2>&1; then
  cat "$dir/slapadd.log" >&2
  cleanup_on_failure
  orrel_slapd_fail "slapadd refused the exported data"
fi

# -d 0 would keep slapd in the foreground; without it slapd detaches and
# writes its pid file. Its log goes to syslog, which this machine may lack,
# so start it with stderr kept in the folder.
"$SLAPD" -f "$dir/slapd.conf" -h "$ORREL_SLAPD_URL/" >"$dir/slapd.log" 2>&1 </dev/null 9>&- &
launcher=$!

deadline=$((SECONDS + ORREL_SLAPD_TIMEOUT))
until orrel_slapd_answers; do
  if [ $SECONDS -ge $deadline ]; then
    cat "$dir/slapd.log" >&2 || true
    cleanup_on_failure
    orrel_slapd_fail "slapd did not answer on $ORREL_SLAPD_URL within ${ORREL_SLAPD_TIMEOUT}s"
  fi
  # slapd detaches: its first process ends with 0 once the daemon runs, or
  # with an error when the configuration or the port is refused.
  if [ -n "$launcher" ] && ! kill -0 "$launcher" 2>/dev/null; then
    launched=0
    wait "$launcher" || launched=$?
    launcher=
    if [ $launched -ne 0 ]; then
      cat "$dir/slapd.log" >&2 || true
      cleanup_on_failure
      orrel_slapd_fail "slapd exited at start with status $launched"
    fi
  fi
  sleep 0.2
done

pid=$(orrel_slapd_pid_of "$dir")
{
  echo "dir=$dir"
  echo "stamp=$stamp"
  echo "image=$image"
  echo "tree=$tree"
} >"$ORREL_SLAPD_STATE"
trap - ERR
echo "slapd serves $image${tree:+ ($tree)} on $ORREL_SLAPD_URL (pid $pid, folder $dir)"

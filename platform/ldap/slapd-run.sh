#!/usr/bin/env bash
# Runs one command while slapd serves a tree of an image, and stops slapd
# afterwards whatever the command did:
#
#   slapd-run.sh <image.json> [tree] -- <command> [args...]
#
# The port is shared by everyone on the machine (the search always uses
# 389): a lock file serialises the users of this script, so that two test
# runs never restart each other's server. Exits with the command's status.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/slapd-common.sh"

args=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  args+=("$1")
  shift
done
if [ $# -lt 2 ] || [ ${#args[@]} -lt 1 ] || [ ${#args[@]} -gt 2 ]; then
  echo "usage: $0 <image.json> [tree] -- <command> [args...]" >&2
  exit 2
fi
shift

lock="${ORREL_SLAPD_STATE%.state}.lock"
exec 9>"$lock"
if ! flock -w "${ORREL_SLAPD_LOCK_TIMEOUT:-600}" 9; then
  orrel_slapd_fail "another run holds $lock"
fi

trap 'bash "$here/slapd-stop.sh" >/dev/null || true' EXIT
# Neither slapd nor what the command leaves running (Wine's background
# services, started by the first Windows program of a prefix, outlive it)
# may inherit the lock: it would hold the port's lock after this run.
bash "$here/slapd-start.sh" "${args[@]}" 9>&-
status=0
"$@" 9>&- || status=$?
exit $status

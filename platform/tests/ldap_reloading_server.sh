#!/usr/bin/env bash
# Runs a test program while slapd serves images the program asks for: each
# test that runs on the server writes its image, asks for it to be served
# afresh (the Unix path of the image in <folder>/request) and waits for
# <folder>/answer ("ok", or why not). The folder is given to the program as
# ORREL_SLAPD_RELOAD; slapd-run.sh holds the port's lock for the whole run.
#
#   ldap_reloading_server.sh <source dir> <test program> [program args...]
set -euo pipefail
source_dir=$1
program=$2
shift 2
work=$(mktemp -d "${TMPDIR:-/tmp}/ldap-reloading-server.XXXXXX")
trap 'rm -rf "$work"' EXIT
export ORREL_SLAPD_RELOAD="$work"

# The server starts with the sample directory; every test loads its own.
bash "$source_dir/platform/ldap/slapd-run.sh" "$source_dir/platform/sample/orrel-sample-directory.json" ORREL_TREE -- \
  bash -c '
  ldap=$2/platform/ldap
  ( while :; do
      if [ -e "$1/request" ]; then
        image=$(cat "$1/request")
        rm -f "$1/request"
        if bash "$ldap/slapd-stop.sh" >"$1/log" 2>&1 && bash "$ldap/slapd-start.sh" "$image" ORREL_TREE >>"$1/log" 2>&1; then
          echo ok >"$1/answer.tmp"
        else
          tail -n 20 "$1/log" >"$1/answer.tmp"
        fi
        mv -f "$1/answer.tmp" "$1/answer"
      fi
      sleep 0.05
    done ) &
  watcher=$!
  status=0
  # The background services of Wine outlive the program: they must not keep
  # the lock of the port (descriptor 9 of slapd-run.sh).
  "$2/scripts/wine-run.sh" "$3" --gtest_color=no "${@:4}" 9>&- || status=$?
  kill "$watcher" 2>/dev/null || true
  wait "$watcher" 2>/dev/null || true
  exit $status' _ "$work" "$source_dir" "$program" "$@"

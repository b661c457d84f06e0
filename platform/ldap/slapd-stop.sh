#!/usr/bin/env bash
# Stops the slapd that slapd-start.sh started and removes its temporary
# folder. Does nothing, successfully, when none is running.
#
# Environment: ORREL_SLAPD_PORT and ORREL_SLAPD_STATE as for slapd-start.sh.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/slapd-common.sh"

if [ ! -f "$ORREL_SLAPD_STATE" ]; then
  echo "no slapd of ours is recorded for port $ORREL_SLAPD_PORT"
  exit 0
fi
dir=$(orrel_slapd_state_value dir)
pid=$(orrel_slapd_pid_of "$dir")
orrel_slapd_stop_pid "$pid"
# Only a folder that slapd-start.sh made is removed.
case $dir in
  */orrel-slapd.*) rm -rf -- "$dir" ;;
esac
rm -f "$ORREL_SLAPD_STATE"
echo "slapd${pid:+ (pid $pid)} stopped"

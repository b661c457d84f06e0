# Shared by slapd-start.sh, slapd-stop.sh and slapd-run.sh (sourced).

ORREL_SLAPD_PORT=${ORREL_SLAPD_PORT:-389}
ORREL_SLAPD_URL="ldap://127.0.0.1:${ORREL_SLAPD_PORT}"
ORREL_SLAPD_STATE=${ORREL_SLAPD_STATE:-/tmp/orrel-slapd-${ORREL_SLAPD_PORT}.state}
ORREL_SLAPD_TIMEOUT=${ORREL_SLAPD_TIMEOUT:-20}
# The password of the workstation's identities on the served tree.
ORREL_SLAPD_PASSWORD=${ORREL_SLAPD_PASSWORD:-orrel}
SLAPD=${SLAPD:-/usr/sbin/slapd}
SLAPADD=${SLAPADD:-/usr/sbin/slapadd}

orrel_slapd_fail() {
  echo "$(basename "$0"): error: $*" >&2
  exit 1
}

# A value of the state file (key=value lines); empty when missing.
orrel_slapd_state_value() {
  [ -f "$ORREL_SLAPD_STATE" ] || return 0
  sed -n "s/^$1=//p" "$ORREL_SLAPD_STATE" | head -n 1
}

# The pid recorded in an instance folder; empty when there is none.
orrel_slapd_pid_of() {
  local dir=$1
  [ -n "$dir" ] && [ -s "$dir/slapd.pid" ] && tr -dc '0-9' <"$dir/slapd.pid" || true
}

# True when the pid is a live slapd process (a zombie waiting to be reaped
# counts as ended).
orrel_slapd_alive() {
  local pid=$1
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null &&
    [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = slapd ] &&
    ! grep -q '^State:[[:space:]]*Z' "/proc/$pid/status" 2>/dev/null
}

# True when a server answers the root DSE on the port.
orrel_slapd_answers() {
  ldapsearch -x -H "$ORREL_SLAPD_URL" -o nettimeout=2 -b '' -s base -LLL dn >/dev/null 2>&1
}

# Pids of the processes that listen on the TCP port (IPv4 or IPv6), read
# from /proc so that no extra tool is needed.
orrel_slapd_port_holders() {
  local hex inodes pid fd link
  hex=$(printf '%04X' "$ORREL_SLAPD_PORT")
  inodes=$(awk -v port=":$hex" 'NR > 1 && $4 == "0A" && substr($2, length($2) - 4) == port { print $10 }' \
    /proc/net/tcp /proc/net/tcp6 2>/dev/null | sort -u)
  [ -n "$inodes" ] || return 0
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    for fd in /proc/"$pid"/fd/*; do
      link=$(readlink "$fd" 2>/dev/null) || continue
      case $link in
        socket:\[*\])
          link=${link#socket:[}
          link=${link%]}
          if grep -qx "$link" <<<"$inodes"; then
            echo "$pid"
            break
          fi
          ;;
      esac
    done
  done | sort -u
}

# Frees the port of slapd processes: the system's service first, then any
# slapd left listening. Fails when another program holds the port.
orrel_slapd_free_port() {
  local holders pid deadline
  holders=$(orrel_slapd_port_holders)
  [ -n "$holders" ] || return 0
  for pid in $holders; do
    if [ "$(cat "/proc/$pid/comm" 2>/dev/null)" != slapd ]; then
      orrel_slapd_fail "port $ORREL_SLAPD_PORT is held by $(cat "/proc/$pid/comm" 2>/dev/null || echo '?') (pid $pid), not by slapd"
    fi
  done
  echo "port $ORREL_SLAPD_PORT is held by slapd (pid $(echo $holders)): stopping it" >&2
  # The system's own service first, so that its scripts know it stopped.
  if [ -x /etc/init.d/slapd ]; then
    /etc/init.d/slapd stop >/dev/null 2>&1 || service slapd stop >/dev/null 2>&1 || true
  fi
  deadline=$((SECONDS + 10))
  while holders=$(orrel_slapd_port_holders) && [ -n "$holders" ]; do
    for pid in $holders; do
      if [ $SECONDS -lt $deadline ]; then
        kill -TERM "$pid" 2>/dev/null || true
      else
        kill -KILL "$pid" 2>/dev/null || true
      fi
    done
    [ $SECONDS -lt $((deadline + 5)) ] || orrel_slapd_fail "port $ORREL_SLAPD_PORT stays held by pid(s) $holders"
    sleep 0.2
  done
}

# Stops the process of a pid file and waits for it to end.
orrel_slapd_stop_pid() {
  local pid=$1 deadline
  orrel_slapd_alive "$pid" || return 0
  kill -TERM "$pid" 2>/dev/null || true
  deadline=$((SECONDS + 10))
  while orrel_slapd_alive "$pid"; do
    if [ $SECONDS -ge $deadline ]; then
      kill -KILL "$pid" 2>/dev/null || true
    fi
    sleep 0.1
  done
}

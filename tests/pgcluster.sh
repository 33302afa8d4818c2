#!/usr/bin/env bash
# A throw-away PostgreSQL cluster for the tests and benchmarks.
#   pgcluster.sh start <state folder> [fsync]   initdb + start; writes <state>/url
#   pgcluster.sh stop-server <state>             stops the server, keeps the data
#   pgcluster.sh crash-server <state>            stops it as a power cut would (-m immediate)
#   pgcluster.sh start-server <state>            starts it again on the same port
#   pgcluster.sh stop <state>                    stops it and removes its data
# The cluster lives in its own folder under /tmp, runs as the unprivileged user
# "postgres" when started by root, and listens on 127.0.0.1 at a free port and
# on a socket in its own folder only. Tests find it through <state>/url.
set -euo pipefail
action=$1
state=$(realpath -m "$2")
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
[ -x "$bin/initdb" ] || { echo "PostgreSQL is not installed (bash setup.sh installs it)" >&2; exit 1; }

as_owner() {
  if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

server() {
  local data port
  data=$(cat "$state/data")
  port=$(cat "$state/port")
  as_owner "$bin/pg_ctl" -D "$data" -w -t 30 -l "$data/server.log" \
    -o "-c listen_addresses=127.0.0.1 -p $port -k $data -c max_connections=60 $(cat "$state/options")" "$@"
}

case "$action" in
start)
  mkdir -p "$state"
  [ -f "$state/data" ] && "$0" stop "$state" || true
  data=$(mktemp -d /tmp/mehrsan-pg.XXXXXX)
  [ "$(id -u)" = 0 ] && chown postgres: "$data"
  chmod 700 "$data"
  as_owner "$bin/initdb" -D "$data" -A trust -U mehrsan -E UTF8 --locale=C.UTF-8 --no-sync >/dev/null
  echo "$data" >"$state/data"
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])' >"$state/port"
  # Tests want speed; the benchmark wants the disk as a clinic's server has it.
  if [ "${3:-}" = fsync ]; then echo "" >"$state/options"; else echo "-c fsync=off -c synchronous_commit=off" >"$state/options"; fi
  # More server settings from the caller (TLS certificates, say).
  [ -n "${PGCLUSTER_OPTIONS:-}" ] && echo "$(cat "$state/options") $PGCLUSTER_OPTIONS" >"$state/options"
  server start >/dev/null
  echo "postgresql://mehrsan@127.0.0.1:$(cat "$state/port")/postgres?sslmode=disable" >"$state/url"
  ;;
stop-server)
  server stop -m fast >/dev/null ;;
crash-server)
  server stop -m immediate >/dev/null ;;
start-server)
  server start >/dev/null ;;
stop)
  if [ -f "$state/data" ]; then
    server stop -m immediate >/dev/null 2>&1 || true
    rm -rf "$(cat "$state/data")"
  fi
  rm -f "$state/data" "$state/url" "$state/port" "$state/options"
  ;;
*)
  echo "usage: pgcluster.sh start|stop|stop-server|crash-server|start-server <state folder>" >&2; exit 2 ;;
esac

#!/bin/sh
# Starts and stops a throw-away PostgreSQL server for the archive tests and
# the benchmark: a new cluster in a folder under /tmp, reached only through
# the Unix socket in that folder, password authentication (the clients take
# the password from PGPASSWORD, as users do).
#
#   postgres-server.sh start STATE_FILE [--durable]   writes the folder to STATE_FILE
#   postgres-server.sh stop STATE_FILE
#
# Run as root, the server runs as the user postgres.  With ZIRK_NO_POSTGRES=1
# start does nothing and the tests that need the server skip; otherwise a
# server that cannot start is a failure.
set -eu

action=${1:?start or stop}
state=${2:?state file}

if [ "${ZIRK_NO_POSTGRES:-0}" = 1 ]; then
  exit 0
fi

bindir=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bindir" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "postgres-server.sh: no PostgreSQL server installed (Debian package postgresql)" >&2
  exit 1
fi

as_server() {
  if [ "$(id -u)" = 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$action" in
start)
  dir=$(mktemp -d /tmp/zirk-pg.XXXXXX)
  chmod 755 "$dir"
  if [ "$(id -u)" = 0 ]; then
    chown postgres: "$dir"
  fi
  printf '%s\n' "${ZIRK_TEST_PGPASSWORD:-zirk-test}" > "$dir/password"
  if [ "$(id -u)" = 0 ]; then chown postgres: "$dir/password"; fi
  if ! as_server "$bindir/initdb" -D "$dir/data" -U zirk --auth=scram-sha-256 --pwfile="$dir/password" \
      -E UTF8 --no-locale --no-instructions > "$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  rm -f "$dir/password"
  # Tests throw their databases away; the benchmark asks for a durable one.
  durability="-c fsync=off -c synchronous_commit=off"
  [ "${3:-}" = --durable ] && durability=""
  if ! as_server "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses='' -c unix_socket_directories='$dir' -c max_connections=100 $durability" \
      start > /dev/null; then
    cat "$dir/server.log" >&2
    as_server "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop > /dev/null 2>&1 || true
    rm -rf "$dir"
    exit 1
  fi
  printf '%s\n' "$dir" > "$state"
  ;;
stop)
  [ -f "$state" ] || exit 0
  dir=$(cat "$state")
  rm -f "$state"
  case "$dir" in /tmp/zirk-pg.*) ;; *) echo "postgres-server.sh: $dir is not a server folder" >&2; exit 1 ;; esac
  as_server "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop > /dev/null || true
  rm -rf "$dir"
  ;;
*)
  echo "postgres-server.sh: start or stop" >&2
  exit 2
  ;;
esac

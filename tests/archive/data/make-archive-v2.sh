#!/bin/sh
# Writes the archives of schema version 2 that the migration test opens:
# archive-v2.sqlite and archive-v2.sql (a PostgreSQL dump), each holding the
# same measurements, kept by zirk-cli of Zirk 5.1 before the archive went by
# safeguard.  Run it with that program:
#
#   ZIRK_CLI=/path/to/zirk-5.1/zirk-cli sh make-archive-v2.sh
#
# It starts a throw-away PostgreSQL server with postgres-server.sh.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cli=${ZIRK_CLI:?the zirk-cli of the version before}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

values() { # count ms
  i=0; : > "$work/values.txt"
  while [ "$i" -lt "$1" ]; do echo "$2" >> "$work/values.txt"; i=$((i + 1)); done
}
project() { # file machine count ms options...
  file=$1; machine=$2; values "$3" "$4"; shift 4
  "$cli" new-project -o "$work/$file" --import "$work/values.txt" --machine-id "$machine" "$@" > /dev/null
  echo "$work/$file"
}

set -- \
  "$(project Project_20260101_1000_p9.zPRJ P9 10 166.5 --installed 100)" \
  "$(project Project_20260201_1000_p9.zPRJ P9 10 116.4 --kind door --c 0 --installed 2000)" \
  "$(project Project_20250601_1000_l2.zPRJ L2 10 136.3)" \
  "$(project Project_20260601_1000_l2.zPRJ L2 10 160.3)" \
  "$(project Project_20260901_1000_l2.zPRJ L2 10 125 --kind estop)" \
  "$(project Project_20261201_1000_k.zPRJ K 10 250 --installed 400)" \
  "$(project Project_20261202_1000_k.zPRJ K 3 100 --installed 400)" \
  "$(project Project_20261205_1000_a1.zPRJ A1 10 180 --standard ansi-b11.19 --tr 20 --installed 305)"

rm -f "$here/archive-v2.sqlite"
ZIRK_ARCHIVE="sqlite://$here/archive-v2.sqlite" "$cli" archive add "$@" > /dev/null

sh "$here/../postgres-server.sh" start "$work/pg.state"
folder=$(cat "$work/pg.state")
export PGPASSWORD=zirk-test
psql -h "$folder" -U zirk -d postgres -q -c 'CREATE DATABASE fixture'
ZIRK_ARCHIVE="postgresql://zirk@:5432/fixture?host=$folder" "$cli" archive add "$@" > /dev/null
# psql's own commands (\restrict) mean nothing to a driver that runs the dump.
pg_dump -h "$folder" -U zirk --inserts --no-owner --no-privileges fixture | grep -v '^\\' > "$here/archive-v2.sql"
sh "$here/../postgres-server.sh" stop "$work/pg.state"

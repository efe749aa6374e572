#!/usr/bin/env bash
# A throwaway PostgreSQL server on a loopback port, for the tests.
#   pg.sh start DIR PORT   prints the URL of a fresh database "zeltest"
#   pg.sh stop DIR
set -euo pipefail
cmd=$1 dir=$2
bindir=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)
as_pg() { if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi; }

case "$cmd" in
start)
    port=$3
    mkdir -p "$dir"
    [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
    as_pg "$bindir/initdb" -D "$dir/data" -A trust -U postgres -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1
    as_pg "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w \
        -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=200" start >/dev/null
    as_pg "$bindir/createdb" -h 127.0.0.1 -p "$port" -U postgres zeltest
    echo "postgresql://postgres@127.0.0.1:$port/zeltest"
    ;;
stop)
    as_pg "$bindir/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null 2>&1 || true
    ;;
esac

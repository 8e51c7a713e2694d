#!/usr/bin/env bash
# A private PostgreSQL cluster for one test run, on a free loopback port; no system service is
# touched. The server runs as the package's "postgres" user (it refuses root).
#   private_postgres.sh start STATE [postgres -c settings...]   prints the connection URI
#   private_postgres.sh restart STATE                           fast shutdown and start again
#   private_postgres.sh stop STATE                              stops it by PID, removes it
# STATE is a file that the start writes (data folder, URI) and the stop reads.
set -euo pipefail

cmd=${1:?start or stop}
state=${2:?state file}
shift 2

bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/postgres" ] || { echo "private_postgres: PostgreSQL is not installed" >&2; exit 1; }
as_postgres() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop() {
    [ -f "$state" ] || return 0
    local top data pid
    top=$(sed -n 's/^top=//p' "$state")
    data=$top/data
    if [ -f "$data/postmaster.pid" ]; then
        pid=$(head -n 1 "$data/postmaster.pid")
        # SIGINT: fast shutdown (open sessions are ended, nothing is lost).
        kill -INT "$pid" 2>/dev/null || true
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
    fi
    rm -rf "$top"
    rm -f "$state"
}

case $cmd in
start)
    # Under /tmp: the server user must be able to reach the folder.
    top=$(mktemp -d /tmp/qvx_pg_XXXXXX)
    chmod 755 "$top"
    data=$top/data
    mkdir -m 700 "$data"
    [ "$(id -u)" = 0 ] && chown postgres:postgres "$data"
    printf 'top=%s\n' "$top" >"$state"
    as_postgres "$bin/initdb" -D "$data" -U postgres -A trust -E UTF8 --locale=C.UTF-8 \
        --no-sync >"$top/initdb.log" 2>&1 || { cat "$top/initdb.log" >&2; stop; exit 1; }
    settings=(-c listen_addresses=127.0.0.1 -c "unix_socket_directories=$data" -c max_connections=100)
    for s in "$@"; do settings+=(-c "$s"); done
    started=
    for _ in 1 2 3 4 5; do
        port=$((20000 + RANDOM % 30000))
        if as_postgres "$bin/pg_ctl" -D "$data" -w -t 30 -l "$data/server.log" \
            -o "$(printf '%q ' "${settings[@]}" -p "$port")" start >/dev/null 2>&1; then
            started=1
            break
        fi
    done
    [ -n "$started" ] || { tail -n 20 "$data/server.log" >&2; stop; exit 1; }
    as_postgres "$bin/createdb" -h 127.0.0.1 -p "$port" -U postgres quorvex
    uri="postgresql://postgres@127.0.0.1:$port/quorvex"
    printf 'data=%s\nuri=%s\nport=%s\nbin=%s\n' "$data" "$uri" "$port" "$bin" >>"$state"
    echo "$uri"
    ;;
restart)
    data=$(sed -n 's/^data=//p' "$state")
    as_postgres "$(sed -n 's/^bin=//p' "$state")/pg_ctl" -D "$data" -w -t 30 -m fast restart >/dev/null
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start|restart|stop STATE" >&2
    exit 2
    ;;
esac

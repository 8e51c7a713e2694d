#!/usr/bin/env bash
# quorvex-stats at fleet scale: two instances on one private PostgreSQL, behind nginx with the
# production configuration (server/deploy) filled with this run's ports. 1,200 usage reports from 8
# clients; one instance is killed with kill -9 in the middle. Every report answered "1" is a row,
# none is counted twice (nginx never sends a report again), and the summary reads the database.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)
pg=tests/e2e/tools/private_postgres.sh

work=$(mktemp -d)
pid_a=
pid_b=
nginx_pid=
cleanup() {
    for p in $pid_a $pid_b $nginx_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    bash "$pg" stop "$work/pg.state" || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    tail -n 20 "$work"/*.log 2>/dev/null || true
    exit 1
}

uri=$(bash "$pg" start "$work/pg.state") || fail "private PostgreSQL did not start"
psql_q() { psql "$uri" -XAtq -c "$1"; }

base=$((20000 + RANDOM % 20000))
port_a=$base
port_b=$((base + 1))
port_lb=$((base + 2))
# The update folder as publish makes it: a link to the newest publication, switched in one rename.
mkdir -p "$work/stage"
head -c 200000 /dev/urandom >"$work/stage/quorvex.exe"
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/private.pem" 2>/dev/null
publish_update() {
    (cd "$work/stage" && "$bin" publish --key "$work/private.pem" --program-version "$1" \
        --entries-version 1 --out "$work/upd" quorvex.exe >/dev/null) || fail "publish $1"
}
publish_update 1

start_instance() {
    "$bin" --port "$1" --db "$uri" --secret-file "$work/stats.secret" --keep-client-address \
        --newest-version 1.6 --proxy-protocol >/dev/null \
        2>>"$work/instance_$1.log" &
}
# The instances expect nginx's PROXY header first; curl can send one too.
wait_port() {
    for _ in $(seq 100); do
        curl -s -o /dev/null ${2:-} -X POST "http://127.0.0.1:$1/vmo.api/api/version/Versionpc" &&
            return 0
        sleep 0.1
    done
    fail "nothing answers on port $1"
}
# Both start at once: the schema is created by one of them, the other waits for it.
start_instance "$port_a"
pid_a=$!
start_instance "$port_b"
pid_b=$!
wait_port "$port_a" --haproxy-protocol
wait_port "$port_b" --haproxy-protocol
# Without the header, an instance drops the connection: no one reaches it around nginx.
if curl -s -X POST "http://127.0.0.1:$port_a/vmo.api/api/version/Versionpc"; then
    fail "an instance answered a connection without a PROXY header"
fi
[ "$(psql_q 'select version from schema_version')" = 2 ] || fail "schema version row"

# The production configuration with this run's ports and folder.
port_upd=$((base + 3))
sed -e "s/listen 8091;/listen 127.0.0.1:$port_lb;/" -e "s/127.0.0.1:8092/127.0.0.1:$port_a/" \
    -e "s/127.0.0.1:8093/127.0.0.1:$port_b/" server/deploy/quorvex-stats.stream.conf >"$work/stream.conf"
sed -e "s/listen 8090;/listen 127.0.0.1:$port_upd;/" -e "s|/srv/quorvex/update|$work/upd|" \
    server/deploy/quorvex-stats.site.conf >"$work/site.conf"
grep -q "$port_a" "$work/stream.conf" && grep -q "$port_upd" "$work/site.conf" || fail "templates"
qvx_nginx_conf "$work/nginx" "    include $work/site.conf;" <<CONF
load_module /usr/lib/nginx/modules/ngx_stream_module.so;
include $work/stream.conf;
CONF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" &
nginx_pid=$!
wait_port "$port_lb"

# Both requests as the main program sends them (raw blanks in the query), through nginx.
raw_usage() {
    exec 3<>"/dev/tcp/127.0.0.1/$port_lb"
    printf 'POST /vmo.api/api/user/addappUserinfo?MAC_in=%s&devicetype=pc HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\nConnection: close\r\n\r\n' "$1" >&3
    timeout 5 cat <&3 | sed -n '/^\r$/,$p' | tail -n +2
    exec 3<&-
}
reply=$(curl -s -X POST "http://127.0.0.1:$port_lb/vmo.api/api/version/Versionpc")
[ "$reply" = 1.6 ] || fail "version through nginx '$reply'"
reply=$(raw_usage "00-1A-2B-3C-4D-5E 52-54-00-12-34-56")
[ "$reply" = 1 ] || fail "raw usage through nginx '$reply'"
key() { qvx_mac_key "$work/stats.secret" "$1"; }
[ "$(psql_q "select report_count from usage_pc where mac_text = '$(key "00-1A-2B-3C-4D-5E 52-54-00-12-34-56")'")" = 1 ] ||
    fail "raw report not stored as sent"
# The client's own address is stored, not nginx's (the instances keep addresses whole).
reply=$(curl -s --interface 127.0.0.5 -X POST \
    "http://127.0.0.1:$port_lb/vmo.api/api/user/addappUserinfo?MAC_in=CLIENT-5&devicetype=pc")
[ "$reply" = 1 ] || fail "usage from 127.0.0.5 '$reply'"
[ "$(psql_q "select client_address from usage_pc where mac_text = '$(key CLIENT-5)'")" = 127.0.0.5 ] ||
    fail "client address $(psql_q "select client_address from usage_pc where mac_text = '$(key CLIENT-5)'")"
# The update folder comes from nginx itself; it takes nothing but GET.
code=$(curl -s -o /dev/null -w '%{http_code}' -X POST "http://127.0.0.1:$port_upd/quorvex.exe")
[ "$code" = 403 ] || fail "POST to the update folder gave $code"
curl -s "http://127.0.0.1:$port_upd/quorvex.exe" -o "$work/got.exe"
cmp -s "$work/got.exe" "$work/stage/quorvex.exe" || fail "update file through nginx"
# Published again: nginx follows the switched link at once.
head -c 1000 /dev/urandom >"$work/stage/quorvex.exe"
publish_update 2
curl -s "http://127.0.0.1:$port_upd/quorvex.exe" -o "$work/got.exe"
cmp -s "$work/got.exe" "$work/stage/quorvex.exe" || fail "republished file through nginx"
curl -s "http://127.0.0.1:$port_upd/qvxUpgraded.ini" | grep -q "^ExeVerM=2" ||
    fail "information file through nginx is not the new one"

# 1,200 reports from 8 clients; instance A is killed with kill -9 after 600 answers.
python3 tests/e2e/tools/usage_load.py 127.0.0.1 "$port_lb" FLEET 8 1200 "$work/answers" 600 "$pid_a"
{ wait "$pid_a"; } 2>/dev/null || true
pid_a=
[ "$(wc -l <"$work/answers")" = 1200 ] || fail "not every report was sent"
# Rows hold keyed hashes: the acknowledged MAC texts are hashed alike to be found.
awk -F'\t' '$3 == "1" {print $1}' "$work/answers" | qvx_mac_key "$work/stats.secret" | sort >"$work/acked"
awk -F'\t' '{print $1}' "$work/answers" | qvx_mac_key "$work/stats.secret" |
    sed "s/.*/'&'/" | paste -sd, >"$work/sent_keys"
psql_q "select mac_text from usage_log where mac_text in ($(cat "$work/sent_keys"))" | sort >"$work/logged"
acked=$(wc -l <"$work/acked")
# Missing "1"s are only replies lost with the killed instance (a few in flight at most).
[ "$acked" -ge 1150 ] || fail "only $acked of 1200 reports answered 1"
missing=$(comm -23 "$work/acked" "$work/logged" | wc -l)
[ "$missing" = 0 ] || fail "$missing reports answered 1 have no row"
twice=$(uniq -d "$work/logged" | wc -l)
[ "$twice" = 0 ] || fail "$twice reports counted twice"
[ "$(psql_q "select count(*) from usage_pc where mac_text in ($(cat "$work/sent_keys")) and report_count <> 1")" = 0 ] ||
    fail "a PC counted more than once"
awk -F'\t' '$3 != "1" && $2 != 502 && $2 != 500 && $2 != 0 {bad=1} END {exit bad}' "$work/answers" ||
    fail "unexpected replies: $(awk -F'\t' '$3 != "1"' "$work/answers" | head -3)"
reply=$(raw_usage "AFTER-KILL")
[ "$reply" = 1 ] || fail "usage after the kill '$reply'"

# PostgreSQL restarted under the instance: its connections are opened again, no report fails.
bash "$pg" restart "$work/pg.state" || fail "PostgreSQL restart"
for i in 1 2 3 4 5 6 7 8 9 10; do
    reply=$(raw_usage "AFTER-RESTART-$i")
    [ "$reply" = 1 ] || fail "usage $i after the database restarted '$reply'"
done

rows=$(psql_q "select count(*) from usage_log")
"$bin" summary --db "$uri" >"$work/summary" || fail "summary on PostgreSQL"
grep -q "^$(date -u +%F) *$rows " "$work/summary" || fail "summary: $(cat "$work/summary")"

kill -TERM "$pid_b"
wait "$pid_b" || fail "instance B exit status $?"
pid_b=
echo "fleet: $acked of 1200 answered 1, all stored once; all checks passed"

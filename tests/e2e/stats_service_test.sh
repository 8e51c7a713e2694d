#!/usr/bin/env bash
# quorvex-stats on loopback: both endpoints as the main program sends them (raw blanks in the
# query, no body), a bad request, rows kept across a restart and across kill -9 right after a
# "1", and an update file served byte for byte.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$((20000 + RANDOM % 20000))
mkdir -p "$work/upd"
head -c 300000 /dev/urandom >"$work/upd/quorvex.exe"
printf '[Info]\r\nExeVerM=1.6\r\n[FileHash]\r\nquorvex.exe=%s\r\n' \
    "$(sha256sum "$work/upd/quorvex.exe" | cut -c1-64)" >"$work/upd/qvxUpgraded.ini"
# Beside the files, what must never be served: a key and a file the information file omits.
echo key >"$work/upd/private.pem"
echo other >"$work/upd/unlisted.dat"
fail() { echo "FAIL: $*"; exit 1; }

start() {
    "$bin" --port "$port" --db "$work/stats.db" --newest-version 1.6 --update-dir "$work/upd" \
        2>>"$work/service.log" &
    pid=$!
    for _ in $(seq 50); do
        curl -s -o /dev/null -X POST "http://127.0.0.1:$port/vmo.api/api/version/Versionpc" && return 0
        sleep 0.1
    done
    fail "service did not start"
}

# One request exactly as given, on a raw socket; prints the whole reply.
raw() {
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    printf '%s' "$1" >&3
    timeout 5 cat <&3
    exec 3<&-
}
usage_raw() {
    raw "POST /vmo.api/api/user/addappUserinfo?MAC_in=$1&devicetype=pc HTTP/1.1"$'\r\n'"Host: 127.0.0.1:$port"$'\r\n'"Content-Type: application/x-www-form-urlencoded"$'\r\n'"Connection: close"$'\r\n\r\n'
}
body() { sed -n '/^\r$/,$p' | tail -n +2; }
rows() { sqlite3 "$work/stats.db" "select count(*) from usage_pc"; }

start
reply=$(raw "POST /vmo.api/api/version/Versionpc HTTP/1.1"$'\r\n'"Host: x"$'\r\n'"Content-Type: application/x-www-form-urlencoded"$'\r\n'"Connection: close"$'\r\n\r\n' | body)
[ "$reply" = "1.6" ] || fail "version reply '$reply'"

reply=$(usage_raw "00-1A-2B-3C-4D-5E 52-54-00-12-34-56" | body)
[ "$reply" = "1" ] || fail "usage reply '$reply'"
# Stored under its keyed hash (the secret made beside the database on first start), never in clear.
key=$(qvx_mac_key "$work/stats.db.secret" "00-1A-2B-3C-4D-5E 52-54-00-12-34-56")
stored=$(sqlite3 "$work/stats.db" "select mac_text||'|'||device_type||'|'||report_count from usage_pc")
[ "$stored" = "$key|pc|1" ] || fail "stored '$stored'"
[ "$(stat -c %a "$work/stats.db.secret")" = 600 ] || fail "secret file mode"
! grep -qa "00-1A-2B-3C-4D-5E" "$work"/stats.db* || fail "the MAC text is in the database files"
# The same text percent-encoded (as Wine's XMLHTTP sends it) is the same PC.
reply=$(curl -s -X POST -H 'Content-Type: application/x-www-form-urlencoded' \
    "http://127.0.0.1:$port/vmo.api/api/user/addappUserinfo?MAC_in=00-1A-2B-3C-4D-5E%2052-54-00-12-34-56&devicetype=pc")
[ "$reply" = "1" ] || fail "encoded usage reply '$reply'"
[ "$(sqlite3 "$work/stats.db" 'select report_count from usage_pc')" = 2 ] || fail "count not 2"

for query in "devicetype=pc" "MAC_in=&devicetype=pc" "MAC_in=00-1A&devicetype=mac" \
    "MAC_in=$(head -c 2000 /dev/zero | tr '\0' A)&devicetype=pc"; do
    code=$(curl -s -o "$work/bad" -w '%{http_code}' -X POST \
        "http://127.0.0.1:$port/vmo.api/api/user/addappUserinfo?$query")
    [ "$code" = 400 ] || fail "bad request ${query:0:40} gave $code"
    [ "$(cat "$work/bad")" != "1" ] || fail "bad request answered 1"
done

curl -s "http://127.0.0.1:$port/quorvex.exe" -o "$work/got.exe"
cmp -s "$work/got.exe" "$work/upd/quorvex.exe" || fail "update file differs"
len=$(curl -sI "http://127.0.0.1:$port/quorvex.exe" | tr -d '\r' | awk -F': ' 'tolower($1)=="content-length"{print $2}')
[ "$len" = 300000 ] || fail "Content-Length $len"
for name in private.pem unlisted.dat qvxUpgraded.ini.sig; do
    code=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/$name")
    [ "$code" = 404 ] || fail "/$name gave $code"
done
code=$(curl -s -o /dev/null -w '%{http_code}' --path-as-is "http://127.0.0.1:$port/../stats.db")
[ "$code" = 404 ] || fail "traversal gave $code"
code=$(curl -s -o /dev/null -w '%{http_code}' "http://127.0.0.1:$port/%2e%2e/stats.db")
[ "$code" = 404 ] || fail "encoded traversal gave $code"

# A second copy on the same port must refuse to start beside the first: an error status of its
# own (124 would be timeout ending a copy that got the port) and the reason on stderr.
status=0
timeout 3 "$bin" --port "$port" --db "$work/other.db" 2>"$work/second.log" || status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "second copy on a busy port: status $status"
grep -q "cannot listen on 127.0.0.1:$port" "$work/second.log" || fail "second copy gave no reason"

# Clean stop, restart: the rows are still there.
kill -TERM "$pid"
wait "$pid" || fail "SIGTERM exit status $?"
pid=
start
[ "$(rows)" = 1 ] || fail "rows after restart: $(rows)"

# kill -9 right after each "1": nothing acknowledged is lost.
for i in 1 2 3; do
    reply=$(usage_raw "AA-BB-CC-DD-EE-0$i" | body)
    [ "$reply" = "1" ] || fail "usage reply $i '$reply'"
    kill -9 "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    [ "$(rows)" = $((1 + i)) ] || fail "rows after kill -9 number $i: $(rows)"
    start
done
"$bin" summary --db "$work/stats.db" | grep -q "^$(date -u +%F) " || fail "summary"
echo "stats service: all checks passed"

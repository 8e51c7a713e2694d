#!/usr/bin/env bash
# quorvex-stats on its SQLite file under group commit: a usage report is answered "1" only once
# the transaction holding it is committed. kill -9 under load from 8 clients loses no "1"; a
# batch that fails (a failing statement inside it, a database locked past the wait) answers none
# of its reports with "1", and the next reports are stored again.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)

work=$(mktemp -d)
pid=
lock_pid=
cleanup() {
    for p in $pid $lock_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    tail -n 20 "$work/service.log" 2>/dev/null || true
    exit 1
}

port=$((20000 + RANDOM % 20000))
db=$work/stats.db
start() {
    "$bin" --port "$port" --db "$db" >/dev/null 2>>"$work/service.log" &
    pid=$!
    for _ in $(seq 100); do
        curl -s -o /dev/null -X POST "http://127.0.0.1:$port/vmo.api/api/version/Versionpc" && return 0
        sleep 0.1
    done
    fail "service did not start"
}
# Prints "STATUS BODY" of one usage report.
usage() {
    curl -s -o "$work/body.$1" -w '%{http_code}' -X POST --max-time 10 \
        "http://127.0.0.1:$port/vmo.api/api/user/addappUserinfo?MAC_in=$1&devicetype=pc" || true
    printf ' %s\n' "$(cat "$work/body.$1" 2>/dev/null)"
}
key() { qvx_mac_key "$db.secret" "$1"; }
lines() { sqlite3 "$db" "select count(*) from usage_log where mac_text = '$(key "$1")'"; }

start

# 1,200 reports from 8 clients, kill -9 after 600 answers: every "1" is a row, none twice.
python3 tests/e2e/tools/usage_load.py 127.0.0.1 "$port" LOAD 8 1200 "$work/answers" 600 "$pid"
{ wait "$pid"; } 2>/dev/null || true
pid=
# Rows hold keyed hashes: the acknowledged MAC texts are hashed alike to be found.
awk -F'\t' '$3 == "1" {print $1}' "$work/answers" | qvx_mac_key "$db.secret" | sort >"$work/acked"
sqlite3 "$db" "select mac_text from usage_log" | sort >"$work/logged"
acked=$(wc -l <"$work/acked")
[ "$acked" -ge 600 ] || fail "only $acked answers of 1 before the kill"
missing=$(comm -23 "$work/acked" "$work/logged" | wc -l)
[ "$missing" = 0 ] || fail "$missing reports answered 1 have no row after kill -9"
[ "$(uniq -d "$work/logged" | wc -l)" = 0 ] || fail "a report stored twice"

# The file opens again after the kill, and the summary reads it.
start
rows=$(sqlite3 "$db" "select count(*) from usage_log")
"$bin" summary --db "$db" | grep -q "^$(date -u +%F) *$rows " || fail "summary after kill -9"

# A statement failing inside a batch: the reports that share its transaction get no "1" and
# leave no row. The lock (shorter than the service's 2 s wait) holds the writer at FIRST while
# the next three gather into one batch.
sqlite3 "$db" "CREATE TRIGGER poison BEFORE INSERT ON usage_log WHEN NEW.mac_text = '$(key POISON)'
               BEGIN SELECT RAISE(ABORT, 'poisoned report'); END;"
{ echo "BEGIN EXCLUSIVE;"; sleep 1; echo "ROLLBACK;"; } | sqlite3 "$db" &
lock_pid=$!
sleep 0.2
usage FIRST >"$work/first" &
senders=($!)
sleep 0.3
for mac in BEFORE POISON AFTER; do
    usage "$mac" >"$work/reply.$mac" &
    senders+=($!)
done
wait "${senders[@]}"
wait "$lock_pid" || true
lock_pid=
[ "$(cat "$work/first")" = "200 1" ] || fail "FIRST: $(cat "$work/first")"
[ "$(lines FIRST)" = 1 ] || fail "FIRST not stored"
for mac in BEFORE POISON AFTER; do
    reply=$(cat "$work/reply.$mac")
    [ "${reply#* }" != 1 ] || fail "$mac answered 1 in a failed batch"
    [ "${reply%% *}" = 500 ] || fail "$mac: $reply"
    [ "$(lines "$mac")" = 0 ] || fail "$mac stored by a failed batch"
done
grep -q "not stored: poisoned report" "$work/service.log" || fail "failed batch not logged"
[ "$(usage NEXT)" = "200 1" ] || fail "report after a failed batch"

# A database locked past the wait: the report is answered "not stored" after about 2 s (not
# held forever), and stored once the lock is gone.
{ echo "BEGIN EXCLUSIVE;"; sleep 5; echo "ROLLBACK;"; } | sqlite3 "$db" &
lock_pid=$!
sleep 0.3
t0=$(date +%s%N)
reply=$(usage LOCKED)
waited=$((($(date +%s%N) - t0) / 1000000))
[ "$reply" != "200 1" ] && [ "${reply%% *}" = 500 ] || fail "locked: $reply"
[ "$waited" -ge 1500 ] && [ "$waited" -lt 4500 ] || fail "locked report answered after $waited ms"
wait "$lock_pid" || true
lock_pid=
[ "$(usage LOCKED)" = "200 1" ] || fail "report after the lock"
[ "$(lines LOCKED)" = 1 ] || fail "locked report stored $(lines LOCKED) times"

kill -TERM "$pid"
wait "$pid" || fail "SIGTERM exit status $?"
pid=
echo "group commit: $acked answered 1 before kill -9, all stored; failed batches answer no 1"

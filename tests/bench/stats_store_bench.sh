#!/usr/bin/env bash
# Run by hand: durable usage reports per second of quorvex-stats under group commit, each beside
# its yardstick measured in the same run on the same disk:
#   SQLite file   vs the disk's one-row fdatasync rate (append a row, fdatasync, repeat),
#                 measured before and after it (the higher figure counts);
#   PostgreSQL    vs pgbench running a one-row INSERT with the same client count, on the same
#                 private cluster (fsync and synchronous_commit on), before and after it;
#   version check vs nginx answering a static reply.
#   bash tests/bench/stats_store_bench.sh [seconds per run, default 5] [clients, default 32]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

secs=${1:-5}
clients=${2:-32}
bin=$(qvx_stats_binary group_commit_bench)
sink_bench=$(dirname "$bin")/../tests/bench/group_commit_bench
pg=tests/e2e/tools/private_postgres.sh

work=$(mktemp -d)
stats_pid=
nginx_pid=
cleanup() {
    for p in $stats_pid $nginx_pid; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    bash "$pg" stop "$work/pg.state" || true
    rm -rf "$work"
}
trap cleanup EXIT

port=$((20000 + RANDOM % 20000))
nginx_port=$((port + 1))

start_stats() {
    "$bin" --port "$port" --db "$1" --secret-file "$work/stats.secret" --newest-version 1.6 \
        >/dev/null 2>>"$work/stats.log" &
    stats_pid=$!
    for _ in $(seq 100); do
        curl -s -o /dev/null -X POST "http://127.0.0.1:$port/vmo.api/api/version/Versionpc" && return 0
        sleep 0.1
    done
    echo "service did not start" >&2
    exit 1
}
stop_stats() {
    kill -TERM "$stats_pid"
    wait "$stats_pid" || true
    stats_pid=
}

cat >"$work/version.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA
# Every usage request names another PC (per wrk thread and run), so each is a new row.
cat >"$work/usage.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
local n = 0
local tag = 0
setup = function(thread)
    tag = tag + 1
    thread:set("tag", tag)
end
request = function()
    n = n + 1
    local mac = string.format("%s-%d-%d 52-54-00", os.getenv("QVX_BENCH_RUN") or "R", tag, n)
    return wrk.format(nil, "/vmo.api/api/user/addappUserinfo?MAC_in=" ..
        mac:gsub(" ", "%%20") .. "&devicetype=pc")
end
LUA
rps() { awk '/Requests\/sec/{printf "%.0f", $2}'; }
run_wrk() { wrk -t2 -c"$clients" -d"${secs}s" "$@" 2>&1; }

# Durable reports/s: rows committed while wrk ran, over the run's wall time.
durable_run() {
    local count=$1 url=$2 before after start end
    before=$($count)
    start=$(date +%s.%N)
    QVX_BENCH_RUN="R$RANDOM" run_wrk -s "$work/usage.lua" "$url" >"$work/wrk.out"
    end=$(date +%s.%N)
    after=$($count)
    grep -q "Non-2xx" "$work/wrk.out" && echo "warning: failed replies: $(grep Non-2xx "$work/wrk.out")" >&2
    awk -v r=$((after - before)) -v a="$start" -v b="$end" 'BEGIN{printf "%.0f", r / (b - a)}'
}

# The disk: one row appended and flushed at a time.
fsync_run() {
    python3 - "$work/fsync.dat" "$secs" <<'PY'
import os, sys, time
fd = os.open(sys.argv[1], os.O_WRONLY | os.O_CREAT | os.O_APPEND, 0o600)
row, n, end = b"x" * 100, 0, time.monotonic() + float(sys.argv[2])
start = time.monotonic()
while time.monotonic() < end:
    os.write(fd, row)
    os.fdatasync(fd)
    n += 1
print(round(n / (time.monotonic() - start)))
PY
}
max() { if [ "$1" -gt "$2" ]; then echo "$1"; else echo "$2"; fi; }

# SQLite, between two measures of the disk (the higher one is the yardstick).
fsync_before=$(fsync_run)
start_stats "$work/stats.db"
sqlite_rows() { sqlite3 "$work/stats.db" "select count(*) from usage_log"; }
version_rps=$(run_wrk -s "$work/version.lua" "http://127.0.0.1:$port/vmo.api/api/version/Versionpc" | rps)
sqlite_durable=$(durable_run sqlite_rows "http://127.0.0.1:$port/")
stop_stats
# The same store through the group-commit sink alone, without the HTTP side.
sink_run() {
    "$sink_bench" "$1" "$clients" "$secs" >"$work/sink.out" ||
        echo "warning: the sink answered some reports as not stored" >&2
    cut -d' ' -f1 "$work/sink.out"
}
sqlite_sink=$(sink_run "$work/sink.db")
fsync_after=$(fsync_run)
fsync_rate=$(max "$fsync_before" "$fsync_after")

# PostgreSQL: the service between two pgbench runs of a one-row INSERT, same clients, same
# cluster (the higher pgbench figure is the yardstick).
uri=$(bash "$pg" start "$work/pg.state")
pgbin=$(sed -n 's/^bin=//p' "$work/pg.state")
psql "$uri" -Xq -c "CREATE TABLE bench_row (id BIGSERIAL PRIMARY KEY, v INTEGER NOT NULL)"
echo "INSERT INTO bench_row (v) VALUES (1);" >"$work/insert.sql"
pgbench_run() {
    "$pgbin/pgbench" -n -c "$clients" -j 2 -T "$secs" -f "$work/insert.sql" "$uri" 2>&1 |
        awk '/^tps/{printf "%.0f", $3}'
}
pgbench_before=$(pgbench_run)
start_stats "$uri"
pg_rows() { psql "$uri" -XAtq -c "select count(*) from usage_log"; }
pg_durable=$(durable_run pg_rows "http://127.0.0.1:$port/")
stop_stats
pg_sink=$(sink_run "$uri")
pgbench_after=$(pgbench_run)
pgbench_tps=$(max "$pgbench_before" "$pgbench_after")

# nginx's static reply beside the version check.
qvx_nginx_static_reply "$work/nginx" "$nginx_port" || { kill "$QVX_NGINX_PID"; exit 1; }
nginx_pid=$QVX_NGINX_PID
nginx_rps=$(run_wrk -s "$work/version.lua" "http://127.0.0.1:$nginx_port/" | rps)

ratio() { awk -v a="$1" -v b="$2" "BEGIN{printf \"$3\", a / b * ${4:-1}}"; }
printf '%-52s %10s\n' "loopback, $clients clients, ${secs}s per run" "per second"
printf '%-52s %10s  (%s before, %s after)\n' "disk: one-row append + fdatasync" "$fsync_rate" \
    "$fsync_before" "$fsync_after"
printf '%-52s %10s  (%s x fdatasync)\n' "SQLite: durable usage reports" "$sqlite_durable" \
    "$(ratio "$sqlite_durable" "$fsync_rate" %.1f)"
printf '%-52s %10s  (%s x fdatasync)\n' "SQLite: durable reports, sink alone (no HTTP)" \
    "$sqlite_sink" "$(ratio "$sqlite_sink" "$fsync_rate" %.1f)"
printf '%-52s %10s  (%s before, %s after)\n' "PostgreSQL: pgbench one-row INSERT (tps)" \
    "$pgbench_tps" "$pgbench_before" "$pgbench_after"
printf '%-52s %10s  (%s %% of pgbench)\n' "PostgreSQL: durable usage reports" "$pg_durable" \
    "$(ratio "$pg_durable" "$pgbench_tps" %.0f 100)"
printf '%-52s %10s  (%s %% of pgbench)\n' "PostgreSQL: durable reports, sink alone (no HTTP)" \
    "$pg_sink" "$(ratio "$pg_sink" "$pgbench_tps" %.0f 100)"
printf '%-52s %10s\n' "nginx static reply" "$nginx_rps"
printf '%-52s %10s  (%s %% of nginx)\n' "quorvex-stats version check" "$version_rps" \
    "$(ratio "$version_rps" "$nginx_rps" %.0f 100)"

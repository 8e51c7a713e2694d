#!/usr/bin/env bash
# Run by hand: throughput of quorvex-stats on loopback with wrk, beside nginx serving a static
# reply in the same run, and the durable usage reports per second (rows committed / seconds).
#   bash tests/bench/stats_wrk.sh [seconds per run, default 3]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

secs=${1:-3}
bin=$(qvx_stats_binary)

work=$(mktemp -d)
stats_pid=
nginx_pid=
cleanup() {
    [ -n "$stats_pid" ] && kill "$stats_pid" 2>/dev/null || true
    [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

stats_port=$((20000 + RANDOM % 20000))
nginx_port=$((stats_port + 1))

"$bin" --port "$stats_port" --db "$work/stats.db" --newest-version 1.6 2>"$work/stats.log" &
stats_pid=$!

qvx_nginx_static_reply "$work/nginx" "$nginx_port" || { kill "$QVX_NGINX_PID"; exit 1; }
nginx_pid=$QVX_NGINX_PID

for _ in $(seq 50); do
    curl -s -o /dev/null -X POST "http://127.0.0.1:$stats_port/vmo.api/api/version/Versionpc" &&
        break
    sleep 0.1
done

cat >"$work/version.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
LUA
# Every usage request names another PC, so each one is a new committed row.
cat >"$work/usage.lua" <<'LUA'
wrk.method = "POST"
wrk.headers["Content-Type"] = "application/x-www-form-urlencoded"
local n = 0
request = function()
    n = n + 1
    local mac = string.format("02-00-%02X-%02X-%02X-%02X", math.random(0, 255),
        math.floor(n / 65536) % 256, math.floor(n / 256) % 256, n % 256)
    return wrk.format(nil, "/vmo.api/api/user/addappUserinfo?MAC_in=" .. mac .. "&devicetype=pc")
end
LUA

rps() { awk '/Requests\/sec/{print $2}'; }
run() { wrk -t2 -c16 -d"${secs}s" "$@" 2>&1; }

version_rps=$(run -s "$work/version.lua" "http://127.0.0.1:$stats_port/vmo.api/api/version/Versionpc" | rps)
nginx_rps=$(run -s "$work/version.lua" "http://127.0.0.1:$nginx_port/" | rps)
rows_before=$(sqlite3 "$work/stats.db" "select count(*) from usage_log")
start=$(date +%s.%N)
usage_out=$(run -s "$work/usage.lua" "http://127.0.0.1:$stats_port/")
end=$(date +%s.%N)
usage_rps=$(echo "$usage_out" | rps)
rows_after=$(sqlite3 "$work/stats.db" "select count(*) from usage_log")
durable=$(awk -v r=$((rows_after - rows_before)) -v a="$start" -v b="$end" 'BEGIN{printf "%.0f", r / (b - a)}')

printf '%-44s %12s\n' "loopback, wrk -t2 -c16, ${secs}s per run" "requests/s"
printf '%-44s %12s\n' "nginx static reply (same run)" "$nginx_rps"
printf '%-44s %12s\n' "quorvex-stats version check" "$version_rps"
printf '%-44s %12s\n' "quorvex-stats usage report (\"1\" answers)" "$usage_rps"
printf '%-44s %12s\n' "durable usage reports/s (rows committed)" "$durable"

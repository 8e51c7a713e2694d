#!/usr/bin/env bash
# quorvex-stats as its operators run it, on loopback: 1,000 usage reports (400 PCs) and 5,000
# version checks; /metrics passes promtool and counts exactly what was sent; nothing names a MAC
# text or a whole client address (database file and WAL, access log, service log, summary);
# the dashboard holds the totals and is drawn by headless Chromium; a publication with a new
# offer is answered by the next version checks without a restart, one signed by another key
# changes nothing, and SIGHUP reads the folder again.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)
shots=$QVX_ROOT/build/e2e/screenshots
mkdir -p "$shots"

work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    tail -n 20 "$work/service.log" 2>/dev/null || true
    exit 1
}

port=$((20000 + RANDOM % 20000))
mport=$((port + 1))
db=$work/stats.db

# The publisher's keys and a first publication offering 1.6.
for k in private other; do
    openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/$k.pem" 2>/dev/null
done
openssl pkey -in "$work/private.pem" -pubout -out "$work/public.pem"
mkdir -p "$work/stage"
head -c 5000 /dev/urandom >"$work/stage/quorvex.exe"
publish() { # KEY PROGRAM-VERSION OFFER
    (cd "$work/stage" && "$bin" publish --key "$work/$1.pem" --program-version "$2" \
        --entries-version 1 --offer "$3" --out "$work/upd" quorvex.exe >/dev/null) ||
        fail "publish $*"
}
publish private 16 1.6

version() { curl -s -X POST --max-time 5 "http://127.0.0.1:$port/vmo.api/api/version/Versionpc"; }
metric() { # NAME{LABELS} from FILE
    awk -v name="$1" '$1 == name {print $2}' "$2"
}
scrape() { curl -s --max-time 5 "http://127.0.0.1:$mport/metrics" >"$1" || fail "no /metrics"; }

# The operators' port is never the clients'.
status=0
timeout 5 "$bin" --port "$port" --db "$work/refused.db" --metrics "127.0.0.1:$port" \
    2>"$work/refused.log" || status=$?
[ "$status" = 1 ] && grep -q "may not use the service's port" "$work/refused.log" ||
    fail "--metrics on the service port: status $status, $(cat "$work/refused.log")"

"$bin" --port "$port" --db "$db" --update-dir "$work/upd" --update-key "$work/public.pem" \
    --metrics "127.0.0.1:$mport" --access-log "$work/access.log" 2>>"$work/service.log" &
pid=$!
for _ in $(seq 100); do
    [ "$(version 2>/dev/null)" = 1.6 ] && break
    sleep 0.1
done
[ "$(version)" = 1.6 ] || fail "the offer of the publication is not answered"
[ "$(stat -c %a "$db.secret")" = 600 ] || fail "secret file not made 0600"

scrape "$work/before.txt"
# 8 clients on kept-alive connections: 1,000 reports of 400 PCs, 5,000 version checks.
python3 - "$port" "$work/sent" <<'PY'
import http.client, sys, threading
port, out = int(sys.argv[1]), sys.argv[2]
jobs = [("report", "0A-00-%02X-%02X-00-00 52-54-00-00-00-01" % (i % 400 // 256, i % 400 % 256))
        for i in range(1000)] + [("version", None)] * 5000
lock = threading.Lock()
tally = {}
def run(part):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
    for kind, mac in part:
        path = ("/vmo.api/api/user/addappUserinfo?MAC_in=%s&devicetype=pc" % mac.replace(" ", "%20")
                if kind == "report" else "/vmo.api/api/version/Versionpc")
        conn.request("POST", path, headers={"Content-Type": "application/x-www-form-urlencoded",
                                            "Content-Length": "0"})
        reply = conn.getresponse()
        body = reply.read().decode()
        with lock:
            key = (kind, reply.status, body)
            tally[key] = tally.get(key, 0) + 1
threads = [threading.Thread(target=run, args=(jobs[i::8],)) for i in range(8)]
for t in threads: t.start()
for t in threads: t.join()
with open(out, "w") as f:
    for (kind, status, body), n in sorted(tally.items()):
        f.write("%s %d %s %d\n" % (kind, status, body, n))
PY
grep -qx "report 200 1 1000" "$work/sent" || fail "reports: $(cat "$work/sent")"
grep -qx "version 200 1.6 5000" "$work/sent" || fail "version checks: $(cat "$work/sent")"

scrape "$work/metrics.txt"
promtool check metrics <"$work/metrics.txt" >"$work/promtool.log" 2>&1 ||
    fail "promtool: $(cat "$work/promtool.log")"
# What was sent, exactly: the difference between the scrapes before and after.
delta() {
    local before after
    before=$(metric "$1" "$work/before.txt")
    after=$(metric "$1" "$work/metrics.txt")
    echo $((${after:-0} - ${before:-0}))
}
for check in 'quorvex_stats_requests_total{endpoint="version",status="200"} 5000' \
    'quorvex_stats_requests_total{endpoint="report",status="200"} 1000' \
    'quorvex_stats_reports_accepted_total 1000' \
    'quorvex_stats_report_duration_seconds_count 1000' \
    'quorvex_stats_commit_batch_reports_sum 1000' \
    'quorvex_stats_store_errors_total 0'; do
    name=${check% *}
    [ "$(delta "$name")" = "${check##* }" ] || fail "$name rose by $(delta "$name"), not ${check##* }"
done
[ "$(metric quorvex_stats_database_up "$work/metrics.txt")" = 1 ] || fail "database not up"
[ "$(metric 'quorvex_stats_version_offered{version="1.6"}' "$work/metrics.txt")" = 1 ] ||
    fail "offered version not in the metrics"
version_checks=$(metric 'quorvex_stats_requests_total{endpoint="version",status="200"}' \
    "$work/metrics.txt")

# The page is served on the operators' port too.
curl -s "http://127.0.0.1:$mport/dashboard" | grep -q '<svg id="chart-reports"' ||
    fail "/dashboard on the metrics port"

# A new publication is answered without a restart; one signed by another key changes nothing.
publish private 17 1.7
answered=
for _ in $(seq 50); do
    answered=$(version)
    version_checks=$((version_checks + 1))
    [ "$answered" = 1.7 ] && break
    sleep 0.1
done
[ "$answered" = 1.7 ] || fail "after publish --offer 1.7 the version check answers '$answered'"
publish other 18 9.9
kill -HUP "$pid"
for _ in $(seq 50); do
    grep -q "does not verify" "$work/service.log" && break
    sleep 0.1
done
grep -q "does not verify" "$work/service.log" || fail "the refused publication is not logged"
[ "$(version)" = 1.7 ] || fail "a publication signed by another key changed the offer"
version_checks=$((version_checks + 1))

kill -TERM "$pid"
wait "$pid" || fail "SIGTERM exit status $?"
pid=

# Nothing names a MAC text or a client's whole address.
"$bin" summary --db "$db" >"$work/summary" || fail "summary"
grep -q "^$(date -u +%F) *1000  400 " "$work/summary" || fail "summary: $(cat "$work/summary")"
for place in "$db" "$db-wal" "$work/access.log" "$work/service.log" "$work/summary"; do
    [ -e "$place" ] || continue
    ! grep -qa -e "52-54-00-00-00-01" -e "0A-00-00" "$place" || fail "a MAC text in $place"
done
! grep -qa "127\.0\.0\.1 " "$work/access.log" || fail "a whole address in the access log"
grep -q '^127\.0\.0\.0 .*MAC_in=(hidden)&devicetype=pc' "$work/access.log" ||
    fail "access log: $(head -n 1 "$work/access.log")"

# The dashboard: every chart, and the totals of what was sent (the version checks counted in
# memory reach the store at the stop).
"$bin" dashboard --db "$db" --out "$work/dashboard.html" || fail "dashboard"
total() { sed -n "s/.*id=\"$1\">\([0-9]*\)<.*/\1/p" "$work/dashboard.html"; }
for chart in chart-total-pcs chart-new-pcs chart-version-checks chart-reports; do
    grep -q "<svg id=\"$chart\"" "$work/dashboard.html" || fail "no $chart"
done
[ "$(total total-pcs)" = 400 ] || fail "PCs in total $(total total-pcs)"
[ "$(total new-pcs)" = 400 ] || fail "new PCs $(total new-pcs)"
[ "$(total reports)" = 1000 ] || fail "reports $(total reports)"
[ "$(total version-checks)" = "$version_checks" ] ||
    fail "version checks $(total version-checks), $version_checks answered"
! grep -qi -e "<script" -e "src=" -e "href=" "$work/dashboard.html" || fail "the page fetches"

# Drawn by a real browser: a picture of the size asked, not blank.
timeout 60 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --window-size=1000,1000 --screenshot="$shots/stats-dashboard.png" \
    "file://$work/dashboard.html" >"$work/chromium.log" 2>&1 ||
    fail "chromium: $(tail -n 3 "$work/chromium.log")"
size=$(identify -format '%wx%h' "$shots/stats-dashboard.png")
[ "$size" = 1000x1000 ] || fail "screenshot size $size"
colours=$(convert "$shots/stats-dashboard.png" -format '%k' info:)
[ "$colours" -gt 8 ] || fail "the screenshot is nearly blank ($colours colours)"
echo "screenshot: $shots/stats-dashboard.png"
echo "stats operators: 1000 reports, 5000 version checks counted exactly; offer 1.7 taken" \
    "without a restart; all checks passed"

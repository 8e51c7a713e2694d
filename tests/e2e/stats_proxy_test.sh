#!/usr/bin/env bash
# quorvex-stats behind a balancer (--proxy-protocol) with few descriptors: a burst of
# connections that send only their PROXY header must not wedge it. Afterwards a request is
# answered at once and SIGTERM stops the service within a second.
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"
cd "$QVX_ROOT"

bin=$(qvx_stats_binary)
work=$(mktemp -d)
pid=
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

port=$((20000 + RANDOM % 20000))
# A low descriptor limit keeps the burst that fills every table small and quick.
(ulimit -n 200 && exec "$bin" --port "$port" --db "$work/stats.db" --proxy-protocol \
    2>>"$work/service.log") &
pid=$!

# proxy_client.py: `burst N` opens N connections that send a header and nothing more, holds
# them a moment and lets go; `version` asks for the newest version and prints the reply's body,
# `timed` the same followed by the milliseconds the exchange took.
cat >"$work/proxy_client.py" <<'PY'
import socket, sys, time
port = int(sys.argv[1])
header = b"PROXY TCP4 1.1.1.1 2.2.2.2 1 2\r\n"
if sys.argv[2] == "burst":
    held = []
    for _ in range(int(sys.argv[3])):
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=1)
            s.sendall(header)
            held.append(s)
        except OSError:
            pass
    time.sleep(0.5)
    for s in held:
        s.close()
    print(len(held))
else:
    began = time.monotonic()
    s = socket.create_connection(("127.0.0.1", port), timeout=2)
    s.settimeout(float(sys.argv[3]))
    s.sendall(header + b"POST /vmo.api/api/version/Versionpc HTTP/1.1\r\nHost: x\r\n"
              b"Connection: close\r\n\r\n")
    reply = b""
    try:
        while chunk := s.recv(4096):
            reply += chunk
    except OSError:
        pass
    body = reply.partition(b"\r\n\r\n")[2].decode(errors="replace")
    # "timed": the body and how long the exchange took, the interpreter's start left out.
    if sys.argv[2] == "timed":
        body += " %d" % ((time.monotonic() - began) * 1000)
    print(body)
PY
client() { python3 "$work/proxy_client.py" "$port" "$@"; }

for _ in $(seq 50); do
    [ "$(client version 1 2>/dev/null)" = 1.5 ] && break
    sleep 0.1
done
[ "$(client version 1 2>/dev/null)" = 1.5 ] || fail "service did not start: $(cat "$work/service.log")"

opened=$(client burst 400)
[ "$opened" -ge 200 ] || fail "the burst opened only $opened connections"
out=$(client timed 2 2>&1) || true
read -r reply ms <<<"$out"
[ "$reply" = 1.5 ] || fail "after the burst a version check got: $out"
[ "${ms:-9999}" -lt 1000 ] || fail "the version check after the burst took $ms ms"

start=$(date +%s%N)
kill -TERM "$pid"
for _ in $(seq 20); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$pid" 2>/dev/null && fail "still running 1 s after SIGTERM"
status=0
wait "$pid" || status=$?
pid=
[ "$status" = 0 ] || fail "SIGTERM exit status $status"
echo "stats proxy: a burst at 200 descriptors left it answering; stopped in" \
    "$((($(date +%s%N) - start) / 1000000)) ms"

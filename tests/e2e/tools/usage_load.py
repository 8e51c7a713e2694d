#!/usr/bin/env python3
"""Usage reports from several clients at once, each report a PC of its own, sent once.

usage_load.py HOST PORT PREFIX CLIENTS TOTAL OUT [KILL_AFTER PID]

Writes one line per report to OUT: "MAC STATUS BODY" (STATUS 0 when no reply came). With
KILL_AFTER, sends SIGKILL to PID once that many replies have come, while the clients go on.
"""
import http.client
import os
import signal
import sys
import threading

host, port, prefix = sys.argv[1], int(sys.argv[2]), sys.argv[3]
clients, total, out = int(sys.argv[4]), int(sys.argv[5]), sys.argv[6]
kill_after = int(sys.argv[7]) if len(sys.argv) > 8 else None
kill_pid = int(sys.argv[8]) if len(sys.argv) > 8 else None

lock = threading.Lock()
results = []
killed = threading.Event()


def send(conn, mac):
    conn.putrequest("POST", "/vmo.api/api/user/addappUserinfo?MAC_in=%s&devicetype=pc"
                    % mac.replace(" ", "%20"), skip_accept_encoding=True)
    conn.putheader("Content-Type", "application/x-www-form-urlencoded")
    conn.putheader("Content-Length", "0")
    conn.endheaders()
    reply = conn.getresponse()
    return reply.status, reply.read().decode("latin-1").strip()


def client(index):
    conn = None
    for i in range(index, total, clients):
        mac = "%s-%04d 52-54-00-%02X" % (prefix, i, index)
        if conn is None:
            conn = http.client.HTTPConnection(host, port, timeout=15)
        try:
            status, body = send(conn, mac)
        except (OSError, http.client.HTTPException):
            status, body = 0, "-"
            conn.close()
            conn = None
        with lock:
            results.append((mac, status, body))
            if kill_after is not None and len(results) >= kill_after and not killed.is_set():
                killed.set()
                os.kill(kill_pid, signal.SIGKILL)


threads = [threading.Thread(target=client, args=(c,)) for c in range(clients)]
for t in threads:
    t.start()
for t in threads:
    t.join()
with open(out, "w") as f:
    for mac, status, body in results:
        f.write("%s\t%d\t%s\n" % (mac, status, body))

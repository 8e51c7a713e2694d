#!/ usr / bin / env python3
"""Hostile clients against quorvex-stats on loopback, one fresh service per attack.

    stats_attacks.py BINARY [--quick] [--check] [--only NAME,...]

Prints one line per attack: what the attacker got, the version-check latency where it matters,
and the service's peak RSS (VmHWM). --quick makes the attacks smaller (for the test command);
--check exits 1 when a figure misses its bound. Every connection goes to 127.0.0.1, every wait
is bounded, and each service is stopped by its PID.
"""
import hashlib
import hmac
import os
import random
import signal
import socket
import sqlite3
import subprocess
import sys
import tempfile
import threading
import time

BIN = sys.argv[1]
QUICK = "--quick" in sys.argv
CHECK = "--check" in sys.argv
ONLY = sys.argv[sys.argv.index("--only") + 1].split(",") if "--only" in sys.argv else None
VERSION = b"POST /vmo.api/api/version/Versionpc HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n"
MAX_RSS_KIB = 64 * 1024
failures = []
acknowledged = []  # MAC texts answered "1", checked in the database at the end


def usage_request(mac):
    return (f"POST /vmo.api/api/user/addappUserinfo?MAC_in={mac}&devicetype=pc HTTP/1.1\r\n"
            "Host: x\r\nConnection: close\r\n\r\n").encode()


def exchange(port, request, timeout=2.0):
    """Sends request, reads until the server closes; (status, body, seconds) or None."""
    start = time.monotonic()
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
            s.settimeout(max(0.05, timeout - (time.monotonic() - start)))
            s.sendall(request)
            data = bytearray()
            while True:
                chunk = s.recv(1 << 20)
                if not chunk:
                    break
                data += chunk
    except OSError:
        return None
    head, _, body = bytes(data).partition(b"\r\n\r\n")
    status = head.split(b" ")[1].decode() if head.startswith(b"HTTP/") else "?"
    return status, body, time.monotonic() - start


def version_p99(port, count=30):
    """p99 (the worst of 30) of version checks one after another, in ms; inf on a failure."""
    times = []
    for _ in range(count):
        got = exchange(port, VERSION)
        times.append(got[2] * 1000 if got and got[1] == b"1.6" else float("inf"))
    times.sort()
    return times[min(len(times) - 1, int(len(times) * 0.99))]


def report(port, timeout=2.0):
    mac = "02-00-%08X" % random.getrandbits(32)
    got = exchange(port, usage_request(mac), timeout)
    if got and got[1] == b"1":
        acknowledged.append(mac)
        return "1"
    return "no answer" if not got else f"{got[0]} {got[1][:20]!r}"


def peak_rss_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return -1


class Service:
    def __init__(self, work):
        self.work = work
        self.port = random.randint(20000, 32000)  # below the ephemeral ports
        self.proc = subprocess.Popen(
            [BIN, "--port", str(self.port), "--db", f"{work}/stats.db", "--newest-version", "1.6",
             "--update-dir", f"{work}/upd"], stderr=subprocess.DEVNULL)
        for _ in range(100):
            if exchange(self.port, VERSION, 0.5):
                return
            time.sleep(0.05)
        raise SystemExit("service did not start")

    def rss(self):
        return peak_rss_kib(self.proc.pid)

    def stop(self, limit=3.0):
        """SIGTERM; seconds until it ended, or None when it had to be killed."""
        start = time.monotonic()
        self.proc.send_signal(signal.SIGTERM)
        try:
            self.proc.wait(limit)
            return time.monotonic() - start
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
            return None


def line(name, result, rss, bound_ok=True):
    print(f"{name:<44} {result:<44} peak RSS {rss / 1024:6.1f} MiB", flush=True)
    if CHECK and (not bound_ok or rss < 0 or rss > MAX_RSS_KIB):
        failures.append(name)


def open_many(port, count):
    sockets = []
    for _ in range(count):
        try:
            sockets.append(socket.create_connection(("127.0.0.1", port), timeout=2))
        except OSError:
            break
    return sockets


def big_chunked_post(svc):
    total = (20 if QUICK else 200) << 20
    sent = 0
    status = "closed"
    start = time.monotonic()
    try:
        with socket.create_connection(("127.0.0.1", svc.port), timeout=15) as s:
            s.sendall(b"POST /vmo.api/api/user/addappUserinfo?MAC_in=AA&devicetype=pc HTTP/1.1\r\n"
                      b"Host: x\r\nTransfer-Encoding: chunked\r\n\r\n")
            block = b"%x\r\n" % 65536 + b"a" * 65536 + b"\r\n"
            while sent < total and time.monotonic() - start < 15:
                s.sendall(block)
                sent += 65536
            s.sendall(b"0\r\n\r\n")
            reply = s.recv(200)
            status = reply.split(b" ")[1].decode() if reply.startswith(b"HTTP/") else "closed"
    except OSError:
        pass
    ok = status == "413"
    line(f"{total >> 20} MiB chunked POST (report)", f"answered {status} after {sent >> 20} MiB",
         svc.rss(), ok)


def many_ranges(svc):
    ranges = ",".join(["0-"] * 2000)
    request = (f"GET /big.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n"
               f"Range: bytes={ranges}\r\n\r\n").encode()
    got = exchange(svc.port, request, 10)
    result = "no answer" if not got else f"{got[0]}, {len(got[1]) / 1048576:.2f} MiB sent back"
    ok = bool(got) and len(got[1]) <= 1 << 20
    line("Range: 2,000 x 0- on a 1 MiB file", result, svc.rss(), ok)


def big_file(svc):
    # A 300 MiB update file (sparse) fetched whole: sent from the file, never held in memory.
    with open(f"{svc.work}/upd/huge.bin", "wb") as f:
        f.truncate(300 << 20)
    got = exchange(svc.port, b"GET /huge.bin HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n",
                   30)
    result = "no answer" if not got else f"{got[0]}, {len(got[1]) >> 20} MiB received"
    line("GET of a 300 MiB update file", result, svc.rss(),
         bool(got) and len(got[1]) == 300 << 20)


def header_flood(svc):
    total = (2 if QUICK else 20) << 20
    status = "closed"
    try:
        with socket.create_connection(("127.0.0.1", svc.port), timeout=10) as s:
            s.sendall(VERSION[:-2])
            sent = 0
            block = b"X-Pad: " + b"a" * 1000 + b"\r\n"
            try:
                while sent < total:
                    s.sendall(block * 64)
                    sent += len(block) * 64
                s.sendall(b"\r\n")
            except OSError:
                pass
            reply = s.recv(200)
            status = reply.split(b" ")[1].decode() if reply.startswith(b"HTTP/") else "closed"
    except OSError:
        pass
    line(f"{total >> 20} MiB of header lines", f"answered {status}", svc.rss(),
         status in ("431", "closed"))


def idle_connections(svc):
    held = open_many(svc.port, 2000)
    time.sleep(0.3)
    p99 = version_p99(svc.port)
    answer = report(svc.port)
    line(f"{len(held)} idle connections + version checks", f"p99 {p99:.1f} ms, report {answer}",
         svc.rss(), p99 < 100 and answer == "1")
    for s in held:
        s.close()


def full_heads(svc):
    # Each client sends a head just under the limit and never ends it: the most a connection
    # can make the service hold; more clients than the service takes connections.
    held = []
    for _ in range(3000):
        try:
            s = socket.create_connection(("127.0.0.1", svc.port), timeout=2)
            s.sendall(VERSION[:-4] + b"\r\nX-Pad: " + b"a" * 16000)
            held.append(s)
        except OSError:
            break
    time.sleep(0.5)
    p99 = version_p99(svc.port)
    answer = report(svc.port)
    line(f"{len(held)} clients sending 16 KB heads, never ending", f"p99 {p99:.1f} ms, report {answer}",
         svc.rss(), p99 < 100 and answer == "1")
    for s in held:
        s.close()


def slow_heads(svc, then_stop=False):
    held = open_many(svc.port, 200)
    stop = threading.Event()

    def dribble():
        i = 0
        while not stop.is_set():
            for s in held:
                try:
                    s.send(VERSION[i % len(VERSION):i % len(VERSION) + 1])
                except OSError:
                    pass
            i += 1
            stop.wait(1.0)

    t = threading.Thread(target=dribble)
    t.start()
    time.sleep(1.5)
    p99 = version_p99(svc.port)
    answer = report(svc.port)
    rss = svc.rss()
    line("200 clients dribbling heads, 1 byte/s", f"p99 {p99:.1f} ms, report {answer}", rss,
         p99 < 100 and answer == "1")
    if then_stop:
        took = svc.stop()
        result = f"stopped in {took:.2f} s" if took is not None else "not stopped after 3 s"
        line("SIGTERM with those clients attached", result, rss, took is not None and took < 1)
    stop.set()
    t.join()
    for s in held:
        s.close()


def locked_database(svc, work):
#Another process's write lock: reports wait for it (each for a bounded time, then a
#non - "1" answer), version checks must not ; once it is gone reports are stored again.
    lock = sqlite3.connect(f"{work}/stats.db", timeout=1, isolation_level=None)
    lock.execute("BEGIN EXCLUSIVE")
    answers = []

    def one(i):
        answers.append(exchange(svc.port, usage_request(f"AA-{i:02}"), 15))

    threads = [threading.Thread(target=one, args=(i,)) for i in range(16)]
    for t in threads:
        t.start()
    time.sleep(0.2)
    p99 = version_p99(svc.port)
    for t in threads:
        t.join()
    lock.execute("ROLLBACK")
    lock.close()
    ones = sum(1 for r in answers if r and r[1] == b"1")
    slowest = max((r[2] for r in answers if r), default=float("inf"))
    after = report(svc.port)
    line("database write-locked, 16 reports",
         f"version p99 {p99:.1f} ms; reports: {ones} x 1, last answer {slowest:.1f} s; then {after}",
         svc.rss(), p99 < 100 and ones == 0 and slowest < 10 and after == "1")


def fresh(work_root, name):
    work = os.path.join(work_root, name)
    os.makedirs(f"{work}/upd")
    with open(f"{work}/upd/big.bin", "wb") as f:
        f.write(os.urandom(1 << 20))
    # The service serves only what an information file lists: both files are published.
    with open(f"{work}/upd/qvxUpgraded.ini", "w") as f:
        f.write("[Info]\r\nExeVerM=1.6\r\n[FileHash]\r\nbig.bin=0\r\nhuge.bin=0\r\n")
    return work


def main():
    with tempfile.TemporaryDirectory() as root:
        attacks = [("chunked", big_chunked_post), ("ranges", many_ranges), ("file", big_file),
                   ("headers", header_flood), ("idle", idle_connections), ("heads", full_heads),
                   ("slow", lambda s: slow_heads(s, then_stop=True))]
        works = []
        for name, attack in attacks:
            if ONLY and name not in ONLY:
                continue
            work = fresh(root, name)
            works.append(work)
            svc = Service(work)
            try:
                attack(svc)
                if svc.proc.poll() is None:
                    after = report(svc.port)
                    if CHECK and after != "1":
                        failures.append(f"report after the {name} attack: {after}")
            finally:
                if svc.proc.poll() is None:
                    svc.stop()
        if not ONLY or "locked" in ONLY:
            work = fresh(root, "locked")
            svc = Service(work)
            report(svc.port)  # creates the tables before the lock is taken
            locked_database(svc, work)
            svc.stop(limit=10)
            works.append(work)
#Nothing answered "1" may be missing.
        stored = set()
        for work in works:
            # Rows hold keyed hashes: each acknowledged MAC text is hashed alike to be found.
            try:
                with open(f"{work}/stats.db.secret", "rb") as f:
                    secret = f.read()
            except OSError:
                continue
            db = sqlite3.connect(f"{work}/stats.db")
            try:
                keys = {r[0] for r in db.execute("select mac_text from usage_pc")}
                stored |= {m for m in acknowledged
                           if hmac.new(secret, m.encode(), hashlib.sha256).hexdigest() in keys}
            except sqlite3.Error:
                pass
            db.close()
        lost = [m for m in acknowledged if m not in stored]
        print(f"acknowledged reports: {len(acknowledged)}, lost: {len(lost)}")
        if CHECK and lost:
            failures.append("acknowledged reports lost")
    if failures:
        print("FAILED: " + "; ".join(failures))
        sys.exit(1)


main()

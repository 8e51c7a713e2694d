"""A stand-in for the statistics service on port 8091 (fixed by the program) of the first free
127.0.0.x (other runs may hold it on 127.0.0.1). Prints the address it took, then:
  answer  answers the version check with VERSION and the usage report with "1", and writes each
          request line to LOG;
  silent  accepts every connection and never answers (a service that hangs).
Ends by itself after SECONDS.
usage: stats_stub.py answer|silent LOG VERSION SECONDS
"""
import socket
import sys
import threading
import time

mode, log, version, seconds = sys.argv[1], sys.argv[2], sys.argv[3].encode(), float(sys.argv[4])
server = None
for last in range(2, 250):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    try:
        s.bind(("127.0.0.%d" % last, 8091))
    except OSError:
        s.close()
        continue
    server = s
    break
if server is None:
    sys.exit("no free 127.0.0.x:8091")
server.listen(64)
print("127.0.0.%d" % last, flush=True)
deadline = time.monotonic() + seconds
threading.Timer(seconds, lambda: __import__("os")._exit(0)).start()
held = []
while time.monotonic() < deadline:
    c, _ = server.accept()
    if mode == "silent":
        held.append(c)  # kept open, never answered
        continue
    c.settimeout(5)
    data = b""
    try:
        while b"\r\n\r\n" not in data:
            chunk = c.recv(4096)
            if not chunk:
                break
            data += chunk
    except OSError:
        pass
    line = data.split(b"\r\n", 1)[0].decode("latin-1")
    body = version if "Versionpc" in line else b"1" if "addappUserinfo" in line else b""
    try:
        c.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: %d\r\n"
                  b"Connection: close\r\n\r\n%s" % (len(body), body))
    except OSError:
        pass
    c.close()
    with open(log, "a") as f:
        f.write(line + "\n")

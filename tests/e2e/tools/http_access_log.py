#!/usr/bin/env python3
"""Passes HTTP requests on to a server on loopback and writes one line per request,
"METHOD PATH STATUS", to a log: the scenarios read it to show what a client asked for and what
it was answered.

usage: http_access_log.py LISTEN_PORT UPSTREAM_PORT LOG_FILE
"""
import http.client
import http.server
import sys
import threading

LISTEN_PORT, UPSTREAM_PORT, LOG_FILE = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
# Headers of one connection, and those the response line of this server sets itself.
NOT_PASSED = {"connection", "keep-alive", "proxy-connection", "te", "trailer",
              "transfer-encoding", "upgrade", "content-length", "server", "date"}
log_lock = threading.Lock()
log = open(LOG_FILE, "a", encoding="utf-8")


class PassOn(http.server.BaseHTTPRequestHandler):
    def pass_on(self):
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length) if length else None
        headers = {k: v for k, v in self.headers.items() if k.lower() not in NOT_PASSED}
        upstream = http.client.HTTPConnection("127.0.0.1", UPSTREAM_PORT, timeout=60)
        try:
            upstream.request(self.command, self.path, body=body, headers=headers)
            answer = upstream.getresponse()
            data = answer.read()
        except OSError as error:
            with log_lock:
                log.write(f"{self.command} {self.path} upstream-error {error}\n")
                log.flush()
            self.send_error(502)
            return
        finally:
            upstream.close()
        with log_lock:
            log.write(f"{self.command} {self.path} {answer.status}\n")
            log.flush()
        self.send_response(answer.status, answer.reason)
        for name, value in answer.getheaders():
            if name.lower() not in NOT_PASSED:
                self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.send_header("Connection", "close")
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(data)

    do_GET = do_HEAD = do_POST = pass_on

    def log_message(self, *args):
        pass


server = http.server.ThreadingHTTPServer(("127.0.0.1", LISTEN_PORT), PassOn)
server.serve_forever()

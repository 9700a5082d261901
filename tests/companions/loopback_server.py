#!/usr/bin/env python3
"""A loopback HTTP server for the downloader's tests (standard library only).

    loopback_server.py <portfile> <payload>

Listens on 127.0.0.1 at a free port and writes "<port> <closed port>" to
portfile, the second being a port that was just bound and released, so nothing
listens there. Paths:
  /bytes/<name>   200 with the payload file's bytes and its Content-Length
  /chunked/<name> 200 with the payload, chunked (no Content-Length)
  /missing        404
  /truncated      200 announcing more bytes than it sends, then closes
  /silent         accepts the request and never answers
A silent connection is held for at most 30 s, and the server ends itself after
300 s, so a failed test cannot leave it behind.
"""
import os
import socket
import sys
import threading
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

SILENT_HOLD_S = 30
LIFETIME_S = 300


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    payload = b""

    def log_message(self, *args):
        pass

    def do_GET(self):
        if self.path.startswith("/bytes/"):
            self.answer(200, self.payload)
        elif self.path.startswith("/chunked/"):
            self.send_response(200)
            self.send_header("Transfer-Encoding", "chunked")
            self.send_header("Connection", "close")
            self.end_headers()
            for start in range(0, len(self.payload), 1000):
                part = self.payload[start:start + 1000]
                self.wfile.write(b"%x\r\n%s\r\n" % (len(part), part))
            self.wfile.write(b"0\r\n\r\n")
        elif self.path == "/truncated":
            self.send_response(200)
            self.send_header("Content-Length", str(len(self.payload) + 1000))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(self.payload)
            self.close_connection = True
        elif self.path == "/silent":
            threading.Event().wait(SILENT_HOLD_S)
            self.close_connection = True
        else:
            self.answer(404, b"not found")

    def answer(self, status, body):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    portfile, payload = sys.argv[1], sys.argv[2]
    with open(payload, "rb") as f:
        Handler.payload = f.read()
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    threading.Timer(LIFETIME_S, server.shutdown).start()
    with open(portfile + ".tmp", "w") as f:
        f.write("%d %d\n" % (server.server_address[1], closed_port()))
    os.replace(portfile + ".tmp", portfile)
    server.serve_forever()


if __name__ == "__main__":
    main()

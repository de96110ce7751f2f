#!/usr/bin/env python3
"""Stand-in for the update catalog web server, for the demo and the tests.

Serves the files of --dir on 127.0.0.1 (the demo catalog is /applications.xml), plus
routes that misbehave on purpose for the tests:

  /redirect?to=URL[&code=302]   one redirection to URL, taken literally (may be relative);
                                without to, the status alone, with no Location
  /chain/N/NAME                 N absolute redirections, then the file NAME
  /loop                         redirects to itself, relatively, for ever
  /status/CODE                  answers CODE with a short body
  /empty                        200 with an empty body
  /huge/MB[?length=0]           200 with MB mebibytes of XML; length=0 leaves out
                                Content-Length and ends the body by closing
  /stall[?bytes=N]              200, sends N bytes of the announced body, then nothing
  /trickle?every=S              200, sends the announced body one byte every S seconds

A request for a full URL is answered as a proxy would, whatever the host: --proxy-log FILE
appends its request line to FILE, and --proxy-login USER:PASSWORD answers 407 to one without
these credentials. With --cert and --key it serves https. The first line on standard output is "listening on
127.0.0.1:PORT" (use --port 0 for a free port).
"""

import argparse
import base64
import http.server
import os
import ssl
import sys
import threading
import time
import urllib.parse

STALL_SECONDS = 600
CHUNK = 1 << 20


class CatalogHandler(http.server.BaseHTTPRequestHandler):
    server_version = "CatalogServer/1.0"
    protocol_version = "HTTP/1.1"

    def log_message(self, format, *args):
        if self.server.verbose:
            super().log_message(format, *args)

    def do_GET(self):
        if self.path.startswith("http") and not self.as_proxy():
            return
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.parse_qs(url.query)
        parts = [p for p in url.path.split("/") if p]
        try:
            if parts[:1] == ["redirect"]:
                code = int(query.get("code", ["302"])[0])
                self.redirect(code, query.get("to", [None])[0])
            elif parts[:1] == ["chain"] and len(parts) >= 3:
                left = int(parts[1])
                name = "/".join(parts[2:])
                if left > 0:
                    host, port = self.server.server_address[:2]
                    self.redirect(301, "http://%s:%d/chain/%d/%s" % (host, port, left - 1, name))
                else:
                    self.send_file(name)
            elif parts == ["loop"]:
                self.redirect(302, "loop")
            elif parts[:1] == ["status"] and len(parts) == 2:
                self.send_body(int(parts[1]), b"<html><body>status</body></html>", "text/html")
            elif parts == ["empty"]:
                self.send_body(200, b"", "application/xml")
            elif parts[:1] == ["huge"] and len(parts) == 2:
                self.send_huge(int(parts[1]) * CHUNK, query.get("length", ["1"])[0] != "0")
            elif parts == ["stall"]:
                self.send_stall(int(query.get("bytes", ["0"])[0]))
            elif parts == ["trickle"]:
                self.send_trickle(float(query.get("every", ["1"])[0]))
            else:
                self.send_file("/".join(parts))
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def as_proxy(self):
        """Logs a proxy request; whether it may go on, else answers 407."""
        if self.server.proxy_log:
            with open(self.server.proxy_log, "a") as log:
                log.write(self.requestline + "\n")
        login = self.server.proxy_login
        if not login or self.headers.get("Proxy-Authorization") == (
                "Basic " + base64.b64encode(login.encode()).decode()):
            return True
        self.send_response(407)
        self.send_header("Proxy-Authenticate", 'Basic realm="catalog proxy"')
        self.send_header("Content-Length", "0")
        self.end_headers()
        return False

    def redirect(self, code, location):
        # The body is not a catalog: a client that parsed it instead of following would fail.
        body = b"<html><body>Moved"
        self.send_response(code)
        if location is not None:
            self.send_header("Location", location)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_body(self, code, body, content_type):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_file(self, name):
        root = os.path.realpath(self.server.root)
        path = os.path.realpath(os.path.join(root, name))
        if not path.startswith(root + os.sep) or not os.path.isfile(path):
            self.send_body(404, b"<html><body>not found</body></html>", "text/html")
            return
        with open(path, "rb") as f:
            body = f.read()
        self.send_body(200, body, "application/xml")

    def send_huge(self, size, with_length):
        # A well-formed catalog padded to exactly size bytes with empty elements 1 KiB apart.
        head = b"<?xml version='1.0'?>\n<applications>"
        tail = b"</applications>\n"
        filler = (b" " * 1020 + b"<x/>") * (CHUNK // 1024)
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        if with_length:
            self.send_header("Content-Length", str(size))
        else:
            self.send_header("Connection", "close")
            self.close_connection = True
        self.end_headers()
        self.wfile.write(head)
        left = size - len(head) - len(tail)
        while left > 0:
            piece = filler if left >= len(filler) else filler[:left - left % 1024] + b" " * (left % 1024)
            self.wfile.write(piece)
            left -= len(piece)
        self.wfile.write(tail)

    def send_trickle(self, every):
        body = b"<?xml version='1.0'?>\n<applications>" + b" " * 1000 + b"</applications>"
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        deadline = time.monotonic() + STALL_SECONDS
        for i in range(len(body)):
            if time.monotonic() >= deadline or self.server.stopping.wait(every):
                break
            self.wfile.write(body[i:i + 1])
            self.wfile.flush()
        self.close_connection = True

    def send_stall(self, nbytes):
        body = b"<?xml version='1.0'?>\n<applications>" + b" " * 1000
        self.send_response(200)
        self.send_header("Content-Type", "application/xml")
        self.send_header("Content-Length", str(len(body) + 1000))
        self.end_headers()
        self.wfile.write(body[:nbytes])
        self.wfile.flush()
        deadline = time.monotonic() + STALL_SECONDS
        while time.monotonic() < deadline and not self.server.stopping.is_set():
            time.sleep(0.1)
        self.close_connection = True


def main():
    parser = argparse.ArgumentParser(description="Local update catalog server")
    parser.add_argument("--port", type=int, default=18432)
    parser.add_argument("--dir", default=os.path.join(os.path.dirname(__file__), "catalog"))
    parser.add_argument("--verbose", action="store_true")
    parser.add_argument("--proxy-log")
    parser.add_argument("--proxy-login")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    args = parser.parse_args()

    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), CatalogHandler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(args.cert, args.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    server.daemon_threads = True
    server.root = args.dir
    server.verbose = args.verbose
    server.proxy_log, server.proxy_login = args.proxy_log, args.proxy_login
    server.stopping = threading.Event()
    print("listening on 127.0.0.1:%d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())

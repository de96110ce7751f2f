#!/usr/bin/env python3
"""A small forwarding HTTP proxy for tests: takes absolute-URI requests, passes them on to
their origin server and relays the answer. Every request line it forwards is appended to
the log file, so a test can see that a request went through it.

Usage: forwarding_proxy.py LOG_FILE
Prints "listening PORT" on stdout once its (ephemeral, loopback) port is open.
"""
import http.client
import http.server
import socketserver
import sys
import urllib.parse

HOP_BY_HOP = {"connection", "keep-alive", "proxy-connection", "proxy-authorization",
              "te", "trailers", "transfer-encoding", "upgrade"}


def make_handler(log_path):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):
            pass

        def forward(self):
            with open(log_path, "a") as log:
                log.write("%s %s\n" % (self.command, self.path))
            target = urllib.parse.urlsplit(self.path)
            if target.scheme != "http" or not target.hostname:
                self.send_error(400, "absolute http URI expected")
                return
            length = int(self.headers.get("Content-Length", "0") or 0)
            body = self.rfile.read(length)
            headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
            headers["Connection"] = "close"
            path = target.path or "/"
            if target.query:
                path += "?" + target.query
            origin = http.client.HTTPConnection(target.hostname, target.port or 80, timeout=60)
            try:
                origin.request(self.command, path, body=body, headers=headers)
                answer = origin.getresponse()
                content = answer.read()
            except OSError as error:
                self.send_error(502, str(error))
                return
            finally:
                origin.close()
            self.send_response_only(answer.status, answer.reason)
            for key, value in answer.getheaders():
                if key.lower() not in HOP_BY_HOP and key.lower() != "content-length":
                    self.send_header(key, value)
            self.send_header("Content-Length", str(len(content)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(content)
            self.close_connection = True

        do_POST = forward
        do_GET = forward

    return Handler


class Proxy(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


def main():
    proxy = Proxy(("127.0.0.1", 0), make_handler(sys.argv[1]))
    print("listening %d" % proxy.server_address[1], flush=True)
    try:
        proxy.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main())

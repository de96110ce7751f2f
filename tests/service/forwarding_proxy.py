#!/usr/bin/env python3
"""A small forwarding HTTP proxy for tests: passes absolute-URI requests on to their origin
server and relays the answer, appending each request line to LOG_FILE first.

Usage: forwarding_proxy.py LOG_FILE
Prints "listening PORT" once its (ephemeral, loopback) port is open.
"""
import http.client
import http.server
import sys
import urllib.parse

HOP_BY_HOP = {"connection", "keep-alive", "proxy-connection", "proxy-authorization",
              "te", "trailers", "transfer-encoding", "upgrade", "content-length"}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, fmt, *args):
        pass

    def do_POST(self):
        with open(sys.argv[1], "a") as log:
            log.write("%s %s\n" % (self.command, self.path))
        target = urllib.parse.urlsplit(self.path)
        body = self.rfile.read(int(self.headers.get("Content-Length") or 0))
        headers = {k: v for k, v in self.headers.items() if k.lower() not in HOP_BY_HOP}
        origin = http.client.HTTPConnection(target.hostname, target.port or 80, timeout=60)
        try:
            origin.request(self.command, target.path + (target.query and "?" + target.query),
                           body=body, headers=headers)
            answer = origin.getresponse()
            content = answer.read()
        except OSError as error:
            self.send_error(502, str(error))
            return
        finally:
            origin.close()
        self.send_response_only(answer.status, answer.reason)
        for key, value in answer.getheaders():
            if key.lower() not in HOP_BY_HOP:
                self.send_header(key, value)
        self.send_header("Content-Length", str(len(content)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(content)
        self.close_connection = True


if __name__ == "__main__":
    proxy = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    print("listening %d" % proxy.server_address[1], flush=True)
    proxy.serve_forever()

#!/usr/bin/env python3
"""Canned-reply HTTP server: answers every POST with a fixed body, for tests that need
replies the real service never gives (wrong entry counts, faults, multi-ref, broken XML).

Usage: canned_reply_server.py PORT [--reply FILE] [--status N] [--cut N] [--hang]
                              [--request-log FILE] [--head-log FILE] [--cert FILE --key FILE]
                              [--credentials USER:PASSWORD [--proxy]]
  --reply FILE        body of every answer (text/xml)
  --status N          HTTP status of the answer (default 200)
  --cut N             announce the whole body but send only its first N bytes, then close
  --hang              read the request and never answer (until the client gives up)
  --request-log FILE  append each request body received, then a line "----"
  --head-log FILE     append each request line and its headers, then a line "----"
  --credentials U:P   answer 401 (WWW-Authenticate: Basic) to a request without these
                      credentials as Basic Authorization
  --proxy             be the proxy in front of the host the request line names: answer it
                      directly, and ask for the credentials with 407 (Proxy-Authenticate)
  --cert/--key        serve https with this certificate and key
Prints "listening" on stdout once the port is open.
"""
import argparse
import base64
import http.server
import ssl
import threading

REASONS = {200: "OK", 400: "Bad Request", 401: "Unauthorized",
           407: "Proxy Authentication Required", 500: "Internal Server Error"}


def make_handler(options, body):
    class Handler(http.server.BaseHTTPRequestHandler):
        protocol_version = "HTTP/1.1"

        def log_message(self, fmt, *args):  # keep test output quiet
            pass

        def do_POST(self):
            length = int(self.headers.get("Content-Length", "0") or 0)
            request = self.rfile.read(length)
            if options.request_log:
                with open(options.request_log, "ab") as log:
                    log.write(request + b"\n----\n")
            if options.head_log:
                with open(options.head_log, "a") as log:
                    log.write("%s\n%s----\n" % (self.requestline, self.headers))
            if options.hang:
                threading.Event().wait()
            status, reply, challenge = options.status, body, None
            if options.credentials:
                given = self.headers.get(
                    "Proxy-Authorization" if options.proxy else "Authorization", "")
                if given != "Basic " + base64.b64encode(options.credentials.encode()).decode():
                    status, reply = (407, b"Proxy login needed") if options.proxy else (
                        401, b"Login needed")
                    challenge = 'Basic realm="canned replies"'
            self.send_response_only(status, REASONS.get(status, "Status"))
            self.send_header("Content-Type", "text/xml; charset=utf-8")
            if challenge:
                self.send_header("Proxy-Authenticate" if options.proxy else "WWW-Authenticate",
                                 challenge)
            self.send_header("Content-Length", str(len(reply)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(reply if options.cut is None else reply[: options.cut])
            self.wfile.flush()
            self.close_connection = True

    return Handler


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("port", type=int)
    parser.add_argument("--reply")
    parser.add_argument("--status", type=int, default=200)
    parser.add_argument("--cut", type=int)
    parser.add_argument("--hang", action="store_true")
    parser.add_argument("--request-log")
    parser.add_argument("--head-log")
    parser.add_argument("--credentials")
    parser.add_argument("--proxy", action="store_true")
    parser.add_argument("--cert")
    parser.add_argument("--key")
    options = parser.parse_args()

    body = b""
    if options.reply:
        with open(options.reply, "rb") as reply:
            body = reply.read()
    server = http.server.ThreadingHTTPServer(("127.0.0.1", options.port),
                                             make_handler(options, body))
    if options.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        server.socket = context.wrap_socket(server.socket, server_side=True)
    print("listening", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()

#!/usr/bin/env python3
"""getVantorel through its HTTP transport (libcurl layer), end to end: https with a test CA,
certificate problems, a forwarding proxy from http_proxy, a silent server and a refused
connection, with the Windows error numbers in the fault report.

Usage: transport_e2e_test.py TOOL_HTTP TOOL_HTTPS SERVICE PROXY HTTP_PORT HTTPS_PORT
TOOL_HTTP calls http://127.0.0.1:HTTP_PORT/..., TOOL_HTTPS https://127.0.0.1:HTTPS_PORT/...
"""
import os
import socket
import subprocess
import sys
import tempfile
import time
import unittest

TOOL_HTTP = TOOL_HTTPS = SERVICE = PROXY = None
HTTP_PORT = HTTPS_PORT = 0
FAULT_REPORT = r"^SOAP 1\.[12] fault "
RUN_TIMEOUT = 120  # the sanitizer build is slow; the tool's own time-outs are 30 s


def clean_env(**extra):
    """The environment without any proxy or CA settings of the machine, plus `extra`."""
    env = {k: v for k, v in os.environ.items()
           if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                                "ssl_cert_file", "ssl_cert_dir", "curl_ca_bundle")}
    env.update(extra)
    return env


def run_tool(tool, env):
    started = time.monotonic()
    result = subprocess.run([tool, "9.1", "server", "oltp"], capture_output=True, text=True,
                            env=env, timeout=RUN_TIMEOUT)
    return result.returncode, result.stdout, result.stderr, time.monotonic() - started


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


class Process:
    """A helper process that reports "listening" on its first line; stopped on exit."""

    def __init__(self, command):
        self.command = command

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.first_line = self.process.stdout.readline()
        if "listening" not in self.first_line:
            self.process.kill()
            raise RuntimeError("%s did not start: %r" % (self.command[0], self.first_line))
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()


class Https(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        d = cls.dir.name
        ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        openssl("req", "-x509", *ec, "-keyout", d + "/ca.key", "-out", d + "/ca.pem",
                "-days", "2", "-subj", "/CN=Transport Test CA")
        # "expired" is valid for no time at all: its notAfter is the moment it is made.
        certs = (("loopback", "IP:127.0.0.1", "2"), ("elsewhere", "DNS:elsewhere.test", "2"),
                 ("expired", "IP:127.0.0.1", "0"))
        for name, alt, days in certs:
            with open("%s/%s.ext" % (d, name), "w") as ext:
                ext.write("subjectAltName=%s\n" % alt)
            openssl("req", *ec, "-keyout", "%s/%s.key" % (d, name),
                    "-out", "%s/%s.csr" % (d, name), "-subj", "/CN=%s" % name)
            openssl("x509", "-req", "-in", "%s/%s.csr" % (d, name), "-CA", d + "/ca.pem",
                    "-CAkey", d + "/ca.key", "-CAcreateserial", "-days", days,
                    "-extfile", "%s/%s.ext" % (d, name), "-out", "%s/%s.pem" % (d, name))
        cls.ca = d + "/ca.pem"

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def service(self, name):
        d = self.dir.name
        return Process([SERVICE, str(HTTPS_PORT), "%s/%s.pem" % (d, name),
                        "%s/%s.key" % (d, name)])

    def test_profile_over_https_trusting_the_test_ca(self):
        with self.service("loopback"):
            rc, out, err, _ = run_tool(TOOL_HTTPS, clean_env(SSL_CERT_FILE=self.ca))
        self.assertEqual((rc, err), (0, ""))
        self.assertEqual(out.count("\n"), 17, out)
        self.assertIn("max_connections=150\n", out)

    def test_certificate_problems_are_reported_with_their_numbers(self):
        cases = (("unknown CA", "loopback", clean_env(), "Error 12045"),
                 ("other name", "elsewhere", clean_env(SSL_CERT_FILE=self.ca), "Error 12038"),
                 ("expired", "expired", clean_env(SSL_CERT_FILE=self.ca), "Error 12037"))
        time.sleep(1.1)  # past the expired certificate's last second
        for label, cert, env, number in cases:
            with self.service(cert):
                rc, out, err, _ = run_tool(TOOL_HTTPS, env)
            self.assertEqual((rc, out), (0, ""), label)
            self.assertRegex(err, FAULT_REPORT, label)
            self.assertIn(number, err, label)


class Http(unittest.TestCase):
    def test_request_passes_the_proxy_from_http_proxy(self):
        with tempfile.NamedTemporaryFile("r", suffix=".log") as log, \
                Process([SERVICE, str(HTTP_PORT)]), \
                Process([sys.executable, PROXY, log.name]) as proxy:
            proxy_url = "http://127.0.0.1:%s" % proxy.first_line.split()[1]
            rc, out, err, _ = run_tool(TOOL_HTTP, clean_env(http_proxy=proxy_url))
            self.assertEqual((rc, err), (0, ""))
            self.assertEqual(out.count("\n"), 17, out)
            seen = log.read()
            self.assertEqual(seen, "POST http://127.0.0.1:%d/authws/services/"
                                   "AuthenticationService\n" % HTTP_PORT)

            # no_proxy exempts the host: the call goes straight to the service.
            rc, out, err, _ = run_tool(TOOL_HTTP, clean_env(http_proxy=proxy_url,
                                                            no_proxy="127.0.0.1"))
            self.assertEqual(out.count("\n"), 17, out)
            self.assertEqual(log.read(), "")

    def test_silent_server_ends_within_the_time_out(self):
        with socket.socket() as listener:
            listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            listener.bind(("127.0.0.1", HTTP_PORT))
            listener.listen(1)
            # The kernel completes the connection; nobody ever reads or answers.
            rc, out, err, seconds = run_tool(TOOL_HTTP, clean_env())
        self.assertEqual((rc, out), (0, ""))
        self.assertRegex(err, FAULT_REPORT)
        self.assertIn("Error 12002", err)
        # The tool asks for 30 s; the platform's own defaults would be no longer.
        self.assertGreaterEqual(seconds, 25)
        self.assertLess(seconds, 60)

    def test_refused_connection_reports_cannot_connect(self):
        rc, out, err, _ = run_tool(TOOL_HTTP, clean_env())
        self.assertEqual((rc, out), (0, ""))
        self.assertRegex(err, FAULT_REPORT)
        self.assertIn("Error 12029", err)


if __name__ == "__main__":
    TOOL_HTTP, TOOL_HTTPS, SERVICE, PROXY = sys.argv[1:5]
    HTTP_PORT, HTTPS_PORT = int(sys.argv[5]), int(sys.argv[6])
    unittest.main(argv=sys.argv[:1], verbosity=2)

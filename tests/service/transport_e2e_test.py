#!/usr/bin/env python3
"""getVantorel through its libcurl transport, end to end: https with a test CA, certificate
problems reported with the Windows error numbers, and a forwarding proxy from http_proxy.
(Silent servers and refused connections are cases of tests/tuning/getvantorel_e2e_test.py.)

Usage: transport_e2e_test.py TOOL_HTTP TOOL_HTTPS SERVICE PROXY HTTP_PORT HTTPS_PORT
TOOL_HTTP calls http://127.0.0.1:HTTP_PORT/..., TOOL_HTTPS https://127.0.0.1:HTTPS_PORT/...
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tuning"))
import getvantorel_e2e_test as e2e  # noqa: E402

TOOL_HTTP = TOOL_HTTPS = SERVICE = PROXY = None
HTTP_PORT = HTTPS_PORT = 0


def run(tool, env):
    return e2e.run_natively([tool, "9.1", "server", "oltp"], env)


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


class Https(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        d = cls.dir.name + "/"
        ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
        openssl("req", "-x509", *ec, "-keyout", d + "ca.key", "-out", d + "ca.pem", "-days", "2",
                "-subj", "/CN=Transport Test CA")
        # "expired" is valid for no time at all: its notAfter is the moment it is made.
        for name, alt, days in (("loopback", "IP:127.0.0.1", "2"),
                                ("elsewhere", "DNS:elsewhere.test", "2"),
                                ("expired", "IP:127.0.0.1", "0")):
            with open(d + name + ".ext", "w") as ext:
                ext.write("subjectAltName=%s\n" % alt)
            openssl("req", *ec, "-keyout", d + name + ".key", "-out", d + name + ".csr",
                    "-subj", "/CN=" + name)
            openssl("x509", "-req", "-in", d + name + ".csr", "-CA", d + "ca.pem", "-CAkey",
                    d + "ca.key", "-CAcreateserial", "-days", days, "-extfile", d + name + ".ext",
                    "-out", d + name + ".pem")
        cls.ca = d + "ca.pem"

    @classmethod
    def tearDownClass(cls):
        cls.dir.cleanup()

    def service(self, name):
        d = self.dir.name + "/"
        return e2e.server(SERVICE, str(HTTPS_PORT), d + name + ".pem", d + name + ".key")

    def test_profile_over_https_trusting_the_test_ca(self):
        with self.service("loopback"):
            rc, out, err = run(TOOL_HTTPS, e2e.clean_env(SSL_CERT_FILE=self.ca))
        self.assertEqual((rc, err), (0, ""))
        self.assertEqual(out.count("\n"), 17, out)
        self.assertIn("max_connections=150\n", out)

    def test_certificate_problems_are_reported_with_their_numbers(self):
        time.sleep(1.1)  # past the expired certificate's last second
        trusting = e2e.clean_env(SSL_CERT_FILE=self.ca)
        for cert, env, number in (("loopback", e2e.clean_env(), "Error 12045"),
                                  ("elsewhere", trusting, "Error 12038"),
                                  ("expired", trusting, "Error 12037")):
            with self.service(cert):
                rc, out, err = run(TOOL_HTTPS, env)
            self.assertEqual((rc, out), (0, ""), cert)
            self.assertRegex(err, e2e.FAULT_REPORT, cert)
            self.assertIn(number, err, cert)


class Http(unittest.TestCase):
    def test_request_passes_the_proxy_from_http_proxy(self):
        with tempfile.NamedTemporaryFile("r", suffix=".log") as log, \
                e2e.server(SERVICE, str(HTTP_PORT)), \
                e2e.server(sys.executable, PROXY, log.name) as listening:
            proxy_url = "http://127.0.0.1:%s" % listening.split()[1]
            rc, out, err = run(TOOL_HTTP, e2e.clean_env(http_proxy=proxy_url))
            self.assertEqual((rc, err, out.count("\n")), (0, "", 17))
            self.assertEqual(log.read(), "POST http://127.0.0.1:%d/authws/services/"
                                         "AuthenticationService\n" % HTTP_PORT)
            # no_proxy exempts the host: the call goes straight to the service.
            rc, out, err = run(TOOL_HTTP, e2e.clean_env(http_proxy=proxy_url, no_proxy="127.0.0.1"))
            self.assertEqual((rc, err, out.count("\n")), (0, "", 17))
            self.assertEqual(log.read(), "")


if __name__ == "__main__":
    TOOL_HTTP, TOOL_HTTPS, SERVICE, PROXY = sys.argv[1:5]
    HTTP_PORT, HTTPS_PORT = int(sys.argv[5]), int(sys.argv[6])
    unittest.main(argv=sys.argv[:1], verbosity=2)

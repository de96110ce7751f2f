#!/usr/bin/env python3
"""getVantorel over https with a test CA: the profile when the certificate holds, each
certificate problem reported with its Windows error number.

Usage: transport_e2e_test.py TOOL_HTTPS SERVICE HTTPS_PORT (TOOL_HTTPS calls that port)
"""
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tuning"))
import getvantorel_e2e_test as e2e  # noqa: E402


def openssl(*args):
    subprocess.run(["openssl", *args], check=True, capture_output=True)


class Https(unittest.TestCase):
    def test_certificates(self):
        with tempfile.TemporaryDirectory() as d:
            d += "/"
            ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
            openssl("req", "-x509", *ec, "-keyout", d + "ca.key", "-out", d + "ca.pem",
                    "-days", "2", "-subj", "/CN=Transport Test CA")
            # "expired" is valid for no time at all: its notAfter is the moment it is made.
            for name, alt, days in (("loopback", "IP:127.0.0.1", "2"),
                                    ("elsewhere", "DNS:elsewhere.test", "2"),
                                    ("expired", "IP:127.0.0.1", "0")):
                with open(d + name + ".ext", "w") as ext:
                    ext.write("subjectAltName=%s\n" % alt)
                openssl("req", *ec, "-keyout", d + name + ".key", "-out", d + name + ".csr",
                        "-subj", "/CN=" + name)
                openssl("x509", "-req", "-in", d + name + ".csr", "-CA", d + "ca.pem", "-CAkey",
                        d + "ca.key", "-CAcreateserial", "-days", days, "-extfile",
                        d + name + ".ext", "-out", d + name + ".pem")
            time.sleep(1.1)  # past the expired certificate's last second
            trusting = e2e.clean_env(SSL_CERT_FILE=d + "ca.pem")
            for cert, env, number in (("loopback", trusting, None),
                                      ("loopback", e2e.clean_env(), "Error 12045"),
                                      ("elsewhere", trusting, "Error 12038"),
                                      ("expired", trusting, "Error 12037")):
                with e2e.server(SERVICE, str(PORT), d + cert + ".pem", d + cert + ".key"):
                    rc, out, err = e2e.run_natively([TOOL, "9.1", "server", "oltp"], env)
                if number is None:
                    self.assertEqual((rc, err, out.count("\n")), (0, "", 17), out)
                    self.assertIn("max_connections=150\n", out)
                else:
                    self.assertEqual((rc, out), (0, ""), cert)
                    self.assertRegex(err, e2e.FAULT_REPORT, cert)
                    self.assertIn(number, err, cert)


if __name__ == "__main__":
    TOOL, SERVICE, PORT = sys.argv[1], sys.argv[2], int(sys.argv[3])
    unittest.main(argv=sys.argv[:1], verbosity=2)

#!/usr/bin/env python3
"""The built getVantorel against the bundled AuthenticationService and canned replies on the
loopback port its endpoint names, or (OverHttps) over https. The Wine driver reuses its cases.

Usage: getvantorel_e2e_test.py TOOL SERVICE CANNED_SERVER PORT CASE...
"""
import contextlib
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

TOOL = SERVICE = CANNED = None
PORT = 0
INVALID = "Error, invalid arguments recieved"
FAULT_REPORT = r"^SOAP 1\.[12] fault "
TIMEOUT_ERROR = r"Error 12002"  # a receive time-out; Wine gives another number


def hexs(text):
    return text.encode().hex().upper()


SOAP11 = "http://schemas.xmlsoap.org/soap/envelope/"
SOAP12 = "http://www.w3.org/2003/05/soap-envelope"


def envelope(body):
    return ('<?xml version="1.0"?><s:Envelope xmlns:s="' + SOAP11 + '"'
            ' xmlns:enc="http://schemas.xmlsoap.org/soap/encoding/"'
            ' xmlns:xsd="http://www.w3.org/2001/XMLSchema"'
            ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
            ' xmlns:v="http://auth.corvanta.com"><s:Body>%s</s:Body></s:Envelope>' % body)


def profile_reply(entries, declared=None):
    return envelope('<v:getVantorelInfoResponse><r xsi:type="enc:Array"'
                    ' enc:arrayType="xsd:string[][%s]">%s</r></v:getVantorelInfoResponse>'
                    % (len(entries) if declared is None else declared, "".join(entries)))


def entry(*items):
    return "<item>%s</item>" % "".join("<item>%s</item>" % i for i in items)


def numbered(n):
    return [entry(hexs("name%d" % i), hexs("value%d" % i)) for i in range(n)]


def host_memory():
    with open("/proc/meminfo") as meminfo:
        return int(re.search(r"^MemTotal:\s+(\d+) kB", meminfo.read(), re.M).group(1)) * 1024


def memory_texts():
    """The MiB and GiB texts getVantorel sends on this machine; the Wine driver puts its own."""
    total = host_memory()
    return str(total >> 20), "%.2f" % (total / 2**30)


def clean_env(**extra):
    """The environment without the machine's proxy and CA settings, plus `extra`."""
    env = {k: v for k, v in os.environ.items()
           if k.lower() not in ("http_proxy", "https_proxy", "all_proxy", "no_proxy",
                                "ssl_cert_file", "ssl_cert_dir", "curl_ca_bundle")}
    env.update(extra)
    return env


@contextlib.contextmanager
def server(*command, reply=None):
    """A server that prints "listening" once ready, for a with-block; a reply goes by --reply."""
    with tempfile.NamedTemporaryFile("w", suffix=".xml") as file:
        file.write(reply or "")
        file.flush()
        command += ("--reply", file.name) if reply is not None else ()
        with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              text=True) as process:
            try:
                if "listening" not in process.stdout.readline():
                    raise RuntimeError("did not start: %s" % (command,))
                yield
            finally:
                process.terminate()


def canned(reply=None, *options, port=None):
    return server(sys.executable, CANNED, str(port or PORT), *options, reply=reply)


def run_natively(command, env=None):
    # Generous time limit: the sanitizer build is several times slower.
    result = subprocess.run(command, capture_output=True, text=True, timeout=120,
                            env=clean_env() if env is None else env)
    return result.returncode, result.stdout, result.stderr


# Runs a command line, giving (exit status, stdout, stderr); the Wine driver puts its own here.
RUN = run_natively


def run_tool(*args):
    return RUN([TOOL, *args])


class AgainstBundledService(unittest.TestCase):
    def test_prints_seventeen_settings(self):
        with server(SERVICE, str(PORT)):
            rc, out, err = run_tool("9.1", "server", "oltp")
        self.assertEqual((rc, err), (0, ""))
        self.assertRegex(out, r"^([a-z_]+=[0-9A-Za-z.]+\n){17}$")
        self.assertIn("max_connections=150\n", out)


class AgainstCannedReplies(unittest.TestCase):
    def test_request_carries_arguments_then_memory_and_64_kib_go_as_one_request(self):
        with tempfile.NamedTemporaryFile(suffix=".log") as log:
            with canned(profile_reply(numbered(17)), "--request-log", log.name):
                rc, out, _ = run_tool("a", "", "c", "ignored fourth")
                # No arguments: three codec messages, and the memory texts still go out.
                rc0, out0, err0 = run_tool()
                request, request0 = log.read().decode().split("\n----\n")[:2]
                # A body that fills the runtime's 64 KiB buffer exactly is followed by an empty
                # write, which is no second request.
                rc64, out64, err64 = run_tool("x" * ((65536 - len(request)) // 2 + 1), "", "c")
                sizes = [len(r) for r in log.read().split(b"\n----\n")[:-1]]
        mib, gib = memory_texts()
        items = re.findall(r"<item>([^<]*)</item>|<item/>", request)
        self.assertEqual(items, [hexs("a"), "", hexs(mib), hexs(gib), hexs("c")], request)
        self.assertEqual((rc, out.count("\n"), rc0, out0.count("\n")), (0, 17, 0, 17))
        self.assertEqual(err0, "StrToHexStr: NULL Input String\n" * 3)
        # One RPC-encoded call of the service's namespace, without a SOAP header.
        self.assertIn('xmlns:ns2="http://auth.corvanta.com"', request0)
        self.assertIn('<SOAP-ENV:Body SOAP-ENV:encodingStyle="http://schemas.xmlsoap.org/soap/'
                      'encoding/"><ns2:getVantorelInfo><params SOAP-ENC:arrayType="xsd:string[5]"'
                      ' xsi:type="SOAP-ENC:Array"><item SOAP-ENC:position="[2]">%s</item><item>%s'
                      '</item></params>' % (hexs(mib), hexs(gib)), request0)
        self.assertNotIn("Header", request0)
        self.assertEqual((rc64, out64.count("\n"), err64, sizes), (0, 17, "", [65536]))

    def test_reply_forms_the_service_may_use_print_the_profile(self):
        entries = "".join(numbered(17))
        # Every entry and every name by a forward reference, into arrays without arrayType,
        # whose items the runtime collects in blocks that it moves and frees.
        forward = "".join('<item href="#e%d"/>' % i for i in range(17))
        refs = "".join('<multiRef id="e%d"><item href="#n%d"/><item>%s</item></multiRef>'
                       % (i, i, hexs("value%d" % i)) for i in range(17))
        refs += "".join('<multiRef id="n%d">%s</multiRef>' % (i, hexs("name%d" % i))
                        for i in range(17))
        forms = {
            "SOAP 1.2, no arrayType": envelope(
                "<v:getVantorelInfoResponse><r>%s</r></v:getVantorelInfoResponse>" % entries
            ).replace(SOAP11, SOAP12),
            "multi-reference": envelope(
                '<v:getVantorelInfoResponse><r href="#a"/></v:getVantorelInfoResponse>'
                '<multiRef id="a" xsi:type="enc:Array" enc:arrayType="xsd:string[][17]">%s'
                "</multiRef>" % entries),
            "forward references": envelope(
                "<v:getVantorelInfoResponse><r>%s</r></v:getVantorelInfoResponse>%s"
                % (forward, refs)),
        }
        for name, reply in forms.items():
            with canned(reply):
                rc, out, err = run_tool("a", "b", "c")
            self.assertEqual((rc, err), (0, ""), name)
            self.assertEqual(out.split("\n")[16:], ["name16=value16", ""], name)

    def test_entries_print_name_and_value_only(self):
        entries = numbered(17)
        entries[0] = entry("6e616D65", "C3A9E282AC")  # digits of either case, any byte value
        entries[1] = entry(hexs("three"), hexs("items"), hexs("extra"))
        entries[2] = entry(hexs("bad"), "ZZ")
        entries[3] = entry("YY", "ZZ")  # the value is decoded first
        entries[4] = entry(hexs("n" * 150), hexs("v" * 100))  # cut to 198 characters
        entries[5] = entry("", "41004243")  # a zero byte ends the text
        entries[6] = '<item><item>6E</item><item xsi:nil="true"/></item>'
        with canned(profile_reply(entries)):
            rc, out, err = run_tool("a", "b", "c")
        lines = out.split("\n")
        self.assertEqual((rc, err), (0, "Invalid Hex String:ZZ\n" * 2 + "Invalid Hex String:YY\n"
                                     + "Invalid Hex String:(null)\n"))
        self.assertEqual(lines[:4], ["name=\u00e9\u20ac", "three=items", "bad=", "="])
        self.assertEqual(lines[4:7], ["n" * 150 + "=" + "v" * 48, "=A", "n="])
        self.assertEqual(lines[16:], ["name16=value16", ""])

    def test_replies_that_are_no_profile_print_only_a_message(self):
        fault = envelope("<s:Fault><faultcode>s:Server</faultcode>"
                         "<faultstring>Tuning store unavailable</faultstring></s:Fault>")
        whole = profile_reply(numbered(17))
        after_href = envelope("<v:getVantorelInfoResponse><r><item><item>6E</item>"
                              '<item href="#s0">')
        ref = '<multiRef id="m0" enc:arrayType="xsd:string[][1]">%s</multiRef>' % entry("6E", "31")
        # Entry 0 is over the item limit; without arrayType its reader collects items in a
        # block list, which must not be left for the reader of the whole array to take.
        many_items = envelope("<v:getVantorelInfoResponse><r><item>%s</item>%s</r>"
                              "</v:getVantorelInfoResponse>" % ("<i/>" * 1002, entry("6E", "31")))
        over_size = profile_reply(numbered(16) + [entry(hexs("long"), "41" * (32 << 10))])
        # Server, then the text on stdout, or (none there) a text the fault report must hold.
        cases = {
            "16": (canned(profile_reply(numbered(16))), INVALID),
            "18": (canned(profile_reply(numbered(18))), INVALID),
            "17 declared, 16 given": (canned(profile_reply(numbered(16), declared=17)), INVALID),
            "entry without value": (canned(profile_reply(numbered(16) + [entry("6C")])), INVALID),
            "nil": (canned(envelope('<v:getVantorelInfoResponse><r xsi:nil="true"/>'
                                    "</v:getVantorelInfoResponse>")), INVALID),
            "fault": (canned(fault, "--status", "500"), "Tuning store unavailable"),
            "cut off": (canned(whole, "--cut", str(len(whole) // 2)), ""),
            "1,002 items": (canned(many_items), "occurrence constraint"),
            "over 64 KiB": (canned(over_size), "max message length exceeded"),
            # A reference forwarded from an array without arrayType, then the body ends: the
            # runtime must not follow a link into the item it dropped.
            "ends after href": (canned(after_href[:after_href.index("#s0") + 5]), "End of file"),
            "duplicate id": (canned(envelope('<v:getVantorelInfoResponse><r href="#m0"/>'
                                             "</v:getVantorelInfoResponse>" + ref * 2)),
                             "[Dd]uplicate"),
            "nothing listening": (contextlib.nullcontext(), "Error 12029"),
            "silent server": (canned(None, "--hang"), TIMEOUT_ERROR),
        }
        for name, (server, shown) in cases.items():
            started = time.monotonic()
            with server:
                rc, out, err = run_tool("a", "b", "c")
            seconds = time.monotonic() - started
            if shown == INVALID:
                self.assertEqual((rc, out, err), (0, INVALID, ""), name)
                continue
            self.assertEqual((rc, out), (0, ""), name)
            self.assertRegex(err, FAULT_REPORT + "(?s:.*)" + shown, name)
            if name == "silent server":  # ended by the tool's own 30 s receive time-out
                self.assertTrue(25 <= seconds < 60, seconds)


class OverHttps(unittest.TestCase):
    def test_certificates(self):
        def openssl(*args):
            subprocess.run(["openssl", *args], check=True, capture_output=True)

        with tempfile.TemporaryDirectory() as d:
            d += "/"
            ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
            openssl("req", "-x509", *ec, "-keyout", d + "ca.key", "-out", d + "ca.pem",
                    "-days", "2", "-subj", "/CN=Transport Test CA")
            # "expired" is valid for no time at all: its notAfter is the moment it is made.
            for name, alt, days in (("loopback", "IP:127.0.0.1", "2"),
                                    ("elsewhere", "DNS:elsewhere.test", "2"),
                                    ("expired", "IP:127.0.0.1", "0")):
                openssl("req", *ec, "-keyout", d + name + ".key", "-out", d + name + ".csr",
                        "-subj", "/CN=" + name, "-addext", "subjectAltName=" + alt)
                openssl("x509", "-req", "-in", d + name + ".csr", "-CA", d + "ca.pem", "-CAkey",
                        d + "ca.key", "-CAcreateserial", "-days", days, "-copy_extensions",
                        "copy", "-out", d + name + ".pem")
            time.sleep(1.1)  # past the expired certificate's last second
            trusting = clean_env(SSL_CERT_FILE=d + "ca.pem")
            # Each certificate problem is reported with its Windows error number.
            for cert, env, number in (("loopback", trusting, None),
                                      ("loopback", clean_env(), "Error 12045"),
                                      ("elsewhere", trusting, "Error 12038"),
                                      ("expired", trusting, "Error 12037")):
                with server(SERVICE, str(PORT), d + cert + ".pem", d + cert + ".key"):
                    rc, out, err = run_natively([TOOL, "9.1", "server", "oltp"], env)
                if number is None:
                    self.assertEqual((rc, err, out.count("\n")), (0, "", 17), out)
                else:
                    self.assertEqual((rc, out), (0, ""), cert)
                    self.assertRegex(err, FAULT_REPORT + "(?s:.*)" + number, cert)


if __name__ == "__main__":
    TOOL, SERVICE, CANNED, PORT = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    unittest.main(argv=sys.argv[:1] + sys.argv[5:], verbosity=2)

#!/usr/bin/env python3
"""Runs the built getVantorel against the bundled AuthenticationService and against
canned replies on the loopback port its endpoint names.

Usage: getvantorel_e2e_test.py TOOL SERVICE CANNED_SERVER PORT
"""
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.request

TOOL = SERVICE = CANNED = None
PORT = 0
NS = "http://auth.corvanta.com"
INVALID = "Error, invalid arguments recieved"
FAULT_REPORT = r"^SOAP 1\.[12] fault "
# Generous: the sanitizer build is several times slower.
RUN_TIMEOUT = 120


def hexs(text):
    return text.encode().hex().upper()


def envelope(body):
    return ('<?xml version="1.0" encoding="UTF-8"?>'
            '<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/"'
            ' xmlns:SOAP-ENC="http://schemas.xmlsoap.org/soap/encoding/"'
            ' xmlns:xsd="http://www.w3.org/2001/XMLSchema"'
            ' xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance"'
            ' xmlns:ns2="%s"><SOAP-ENV:Body>%s</SOAP-ENV:Body></SOAP-ENV:Envelope>' % (NS, body))


def entry(*items):
    return ('<item xsi:type="SOAP-ENC:Array" SOAP-ENC:arrayType="xsd:string[%d]">%s</item>'
            % (len(items), "".join("<item>%s</item>" % i for i in items)))


def profile_reply(entries, declared=None, after=""):
    declared = len(entries) if declared is None else declared
    return envelope('<ns2:getVantorelInfoResponse><getVantorelInfoReturn xsi:type="SOAP-ENC:Array"'
                    ' SOAP-ENC:arrayType="xsd:string[][%s]">%s</getVantorelInfoReturn>'
                    '</ns2:getVantorelInfoResponse>%s' % (declared, "".join(entries), after))


def numbered(n):
    return [entry(hexs("name%d" % i), hexs("value%d" % i)) for i in range(n)]


FAULT = envelope('<SOAP-ENV:Fault><faultcode>SOAP-ENV:Server</faultcode>'
                 '<faultstring>Tuning store unavailable</faultstring></SOAP-ENV:Fault>')


class Server:
    """A server process on PORT, stopped on exit of the with-block."""

    def __init__(self, command, cleanup=None):
        self.command = command
        self.cleanup = cleanup

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if "listening" not in line:
            self.process.kill()
            raise RuntimeError("server did not start: %r" % line)
        return self

    def __exit__(self, *exc):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.process.stdout.close()
        if self.cleanup:
            os.unlink(self.cleanup)


def canned(reply=None, *extra):
    command = [sys.executable, CANNED, str(PORT)]
    path = None
    if reply is not None:
        fd, path = tempfile.mkstemp(suffix=".xml")
        with os.fdopen(fd, "w") as f:
            f.write(reply)
        command += ["--reply", path]
    return Server(command + list(extra), cleanup=path)


def run_tool(*args):
    result = subprocess.run([TOOL, *args], capture_output=True, text=True, timeout=RUN_TIMEOUT)
    return result.returncode, result.stdout, result.stderr


class AgainstBundledService(unittest.TestCase):
    def test_prints_seventeen_settings(self):
        with Server([SERVICE, str(PORT)]):
            rc, out, err = run_tool("9.1", "server", "oltp")
        self.assertEqual(rc, 0)
        self.assertEqual(err, "")
        lines = out.split("\n")
        self.assertEqual(len(lines), 18, out)  # 17 lines, each with its line end
        self.assertEqual(lines[-1], "")
        for line in lines[:-1]:
            self.assertRegex(line, r"^[a-z_]+=[0-9A-Za-z.]+$")
        self.assertIn("max_connections=150", lines)

    def test_without_arguments_the_request_still_goes(self):
        with Server([SERVICE, str(PORT)]):
            rc, out, err = run_tool()
        self.assertEqual(rc, 0)
        self.assertEqual(err, "StrToHexStr: NULL Input String\n" * 3)
        self.assertEqual(out.count("\n"), 17)


    def test_answers_its_other_operations(self):
        def call(operation, params):
            body = envelope('<ns2:%s>%s</ns2:%s>' % (operation, params, operation))
            request = urllib.request.Request(
                "http://127.0.0.1:%d/authws/services/AuthenticationService" % PORT,
                data=body.encode(), headers={"Content-Type": "text/xml", "SOAPAction": '""'})
            with urllib.request.urlopen(request, timeout=30) as reply:
                return reply.read().decode()

        with Server([SERVICE, str(PORT)]):
            self.assertRegex(call("testWebService", ""),
                             r"<testWebServiceReturn>[^<]+</testWebServiceReturn>")
            self.assertIn(">true</isConnectedReturn>", call("isConnected", "<gu>abc</gu>"))
            self.assertIn(">false</isConnectedReturn>", call("isConnected", "<gu></gu>"))


class AgainstCannedReplies(unittest.TestCase):
    def test_request_carries_arguments_then_memory(self):
        with tempfile.NamedTemporaryFile(suffix=".log") as log:
            with canned(profile_reply(numbered(17)), "--request-log", log.name):
                rc, out, _ = run_tool("a", "", "c", "ignored fourth")
            with open(log.name) as f:
                request = f.read()
        self.assertEqual(rc, 0)
        items = re.findall(r"<item(?: [^>]*)?>([^<]*)</item>|<item/>", request)
        self.assertEqual(len(items), 5, request)
        self.assertEqual(items[0], hexs("a"))
        self.assertEqual(items[1], "")
        mib, gib = bytes.fromhex(items[2]).decode(), bytes.fromhex(items[3]).decode()
        self.assertRegex(mib, r"^\d+$")
        self.assertRegex(gib, r"^\d+\.\d\d$")
        self.assertEqual(items[4], hexs("c"))
        self.assertIn('SOAP-ENC:arrayType="xsd:string[5]"', request)
        self.assertEqual(out.count("\n"), 17)

    def test_wrong_entry_counts_print_only_the_message(self):
        for n in (16, 18):
            with canned(profile_reply(numbered(n))):
                rc, out, err = run_tool("a", "b", "c")
            self.assertEqual((rc, out, err), (0, INVALID, ""), n)

    def test_entries_with_too_few_items_are_not_read(self):
        entries = numbered(16) + [entry(hexs("lonely"))]
        with canned(profile_reply(entries)):
            self.assertEqual(run_tool("a", "b", "c"), (0, INVALID, ""))
        with canned(envelope('<ns2:getVantorelInfoResponse><r xsi:nil="true"/>'
                             '</ns2:getVantorelInfoResponse>')):
            self.assertEqual(run_tool("a", "b", "c"), (0, INVALID, ""))

    def test_entries_print_name_and_value_only(self):
        entries = numbered(17)
        entries[0] = entry("6E616D65", "3132")
        entries[1] = entry(hexs("three"), hexs("items"), hexs("extra"))
        entries[2] = entry(hexs("bad"), "ZZ")
        entries[3] = entry(hexs("n" * 150), hexs("v" * 100))
        with canned(profile_reply(entries)):
            rc, out, err = run_tool("a", "b", "c")
        lines = out.split("\n")
        self.assertEqual(rc, 0)
        self.assertEqual(lines[0], "name=12")
        self.assertEqual(lines[1], "three=items")
        self.assertEqual(lines[2], "bad=")
        self.assertEqual(lines[3], "n" * 150 + "=" + "v" * 48)
        self.assertEqual(lines[16], "name16=value16")
        self.assertEqual(err, "Invalid Hex String:ZZ\n")

    def test_multi_reference_reply(self):
        refs = "".join('<item href="#e%d"/>' % i for i in range(17))
        multi = "".join(e.replace("<item ", '<multiRef id="e%d" ' % i, 1)[:-len("</item>")]
                        + "</multiRef>" for i, e in enumerate(numbered(17)))
        reply = envelope('<ns2:getVantorelInfoResponse><getVantorelInfoReturn href="#top"/>'
                         '</ns2:getVantorelInfoResponse>'
                         '<multiRef id="top" xsi:type="SOAP-ENC:Array"'
                         ' SOAP-ENC:arrayType="xsd:string[][17]">%s</multiRef>%s' % (refs, multi))
        with canned(reply):
            rc, out, err = run_tool("a", "b", "c")
        self.assertEqual((rc, err), (0, ""))
        self.assertEqual(out.split("\n")[:2], ["name0=value0", "name1=value1"])
        self.assertEqual(out.count("\n"), 17)

    def test_failures_go_to_stderr_only(self):
        cut = profile_reply(numbered(17))
        cases = {
            "fault": (FAULT, "--status", "500"),
            "not xml": ("this is not XML at all",),
            "cut off": (cut, "--cut", str(len(cut) // 2)),
            "absurd size": (profile_reply(numbered(1), declared=2147483647),),
            "http error": ("", "--status", "400"),
        }
        for name, server_args in cases.items():
            with canned(*server_args):
                rc, out, err = run_tool("a", "b", "c")
            self.assertEqual((rc, out), (0, ""), name)
            self.assertRegex(err, FAULT_REPORT, name)
            if name == "fault":
                self.assertIn("Tuning store unavailable", err)

    def test_server_down(self):
        rc, out, err = run_tool("a", "b", "c")
        self.assertEqual((rc, out), (0, ""))
        self.assertRegex(err, FAULT_REPORT)

    def test_silent_server_times_out(self):
        started = time.monotonic()
        with canned(None, "--hang"):
            rc, out, err = run_tool("a", "b", "c")
        self.assertEqual((rc, out), (0, ""))
        self.assertRegex(err, FAULT_REPORT)
        self.assertLess(time.monotonic() - started, 90)


if __name__ == "__main__":
    TOOL, SERVICE, CANNED, PORT = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    unittest.main(argv=sys.argv[:1], verbosity=2)

#!/usr/bin/env python3
"""getVantorel.exe, cross-built for Windows, under Wine against the bundled
AuthenticationService and canned replies: the Linux end-to-end cases with the Windows
transport and memory query, then what only the Windows build shows (the memory figures of its
own query, the internet library's error numbers).

Usage: wine_e2e_test.py TOOL_EXE PROBE_EXE SERVICE CANNED_SERVER PORT WINEPREFIX
PROBE_EXE prints the memory figures the Windows query gives (tests/windows/probe). The Wine
prefix is created on first use; a persistent wineserver serves the runs and is stopped at the end.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tuning"))
import getvantorel_e2e_test as e2e  # noqa: E402

PROBE = None
ENV = None
# Cases of the Linux suite that talk to the service without the tool.
SERVICE_ONLY = {"test_answers_its_other_operations"}
# A receive time-out: Windows reports 12002; Wine fails the send with 12030 instead.
TIMEOUT_ERRORS = ("Error 12002", "Error 12030")


def wine_tool(name):
    path = shutil.which(name)
    if path is None:
        sys.exit("%s not found: scripts/setup.sh installs wine and wine64" % name)
    return path


def wine_environment(prefix):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    # Wine's preconfigured proxy mode follows http_proxy; the services are on loopback. Wine
    # splits no_proxy at semicolons, so "127.0.0.1,localhost" would exempt neither.
    env.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               no_proxy="127.0.0.1")
    return env


def quietly(command, log, timeout):
    # Wine's output goes to files, never to a pipe: the wineserver inherits the pipe's end
    # and can hold it open long after the program has ended.
    with open(log, "wb") as out:
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out, stderr=out,
                              env=ENV, timeout=timeout).returncode


def start_wine(prefix):
    os.makedirs(prefix, exist_ok=True)
    log = os.path.join(os.path.dirname(prefix), "wine-start.log")
    if quietly([wine_tool("wineserver"), "-p"], log, 30) != 0:
        sys.exit("wineserver -p failed; see %s" % log)
    # The registry is written when the server stops, so its file marks a finished prefix.
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        if quietly([wine_tool("wineboot"), "-i"], log, 300) != 0:
            sys.exit("wineboot -i failed; see %s" % log)


def stop_wine():
    subprocess.run([wine_tool("wineserver"), "-k"], stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=ENV, timeout=60)


def windows_text(data):
    # The C runtime writes line ends as CR LF; the Linux cases expect bare line ends.
    return data.decode().replace("\r\n", "\n")


def run_under_wine(command):
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        rc = subprocess.run([wine_tool("wine"), *command], stdin=subprocess.DEVNULL,
                            stdout=out, stderr=err, env=ENV, timeout=120).returncode
        out.seek(0)
        err.seek(0)
        return rc, windows_text(out.read()), windows_text(err.read())


def host_memory():
    with open("/proc/meminfo") as meminfo:
        kib = re.search(r"^MemTotal:\s+(\d+) kB", meminfo.read(), re.M).group(1)
    return int(kib) * 1024


class WindowsOnly(unittest.TestCase):
    def test_request_carries_the_memory_of_the_windows_query(self):
        rc, out, err = run_under_wine([PROBE])
        self.assertEqual((rc, err), (0, ""))
        total, mib, gib = out.split("\n")[:3]
        total = int(total)
        # Wine passes the host's memory through, give or take a page.
        self.assertLess(abs(total - host_memory()), 1 << 20)
        self.assertEqual((mib, gib), (str(total >> 20), "%.2f" % (total / 2**30)))

        with tempfile.NamedTemporaryFile(suffix=".log") as log:
            with e2e.canned(e2e.profile_reply(e2e.numbered(17)), "--request-log", log.name):
                rc, out, _ = e2e.run_tool("a", "b", "c")
            request = log.read().decode()
        items = re.findall(r"<item>([^<]*)</item>", request)
        self.assertEqual((rc, out.count("\n")), (0, 17))
        self.assertEqual(items, [e2e.hexs(t) for t in ("a", "b", mib, gib, "c")])

    def test_failures_report_the_internet_library_error_numbers(self):
        rc, out, err = e2e.run_tool("a", "b", "c")
        self.assertEqual((rc, out), (0, ""))
        self.assertRegex(err, e2e.FAULT_REPORT)
        self.assertIn("Error 12029", err)  # refused at once

        started = time.monotonic()
        with e2e.canned(None, "--hang"):
            rc, out, err = e2e.run_tool("a", "b", "c")
        seconds = time.monotonic() - started
        self.assertEqual((rc, out), (0, ""))
        self.assertTrue(any(number in err for number in TIMEOUT_ERRORS), err)
        # The tool's 30 s receive time-out, not the platform's own.
        self.assertGreaterEqual(seconds, 25)
        self.assertLess(seconds, 60)


def suite():
    tests = unittest.TestSuite()
    for case in (e2e.AgainstBundledService, e2e.AgainstCannedReplies, WindowsOnly):
        for test in unittest.defaultTestLoader.loadTestsFromTestCase(case):
            if test._testMethodName not in SERVICE_ONLY:
                tests.addTest(test)
    return tests


if __name__ == "__main__":
    e2e.TOOL, PROBE, e2e.SERVICE, e2e.CANNED = sys.argv[1:5]
    e2e.PORT = int(sys.argv[5])
    for path in (e2e.TOOL, PROBE):
        if not os.path.isfile(path):
            sys.exit("%s missing: build it with scripts/build-windows.sh" % path)
    ENV = wine_environment(sys.argv[6])
    e2e.RUN = run_under_wine
    start_wine(sys.argv[6])
    try:
        result = unittest.TextTestRunner(verbosity=2).run(suite())
    finally:
        stop_wine()
    sys.exit(0 if result.wasSuccessful() else 1)

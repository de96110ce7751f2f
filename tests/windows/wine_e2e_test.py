#!/usr/bin/env python3
"""The Linux end-to-end cases for getVantorel.exe under Wine, with the Windows transport and
memory query, after a check of what that query sees there.

Usage: wine_e2e_test.py TOOL_EXE PROBE_EXE SERVICE CANNED_SERVER PORT WINEPREFIX
PROBE_EXE prints the memory figures the Windows query gives (bench/memory_texts.cpp).
"""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tuning"))
import getvantorel_e2e_test as e2e  # noqa: E402

PROBE = ENV = LOG = None


def wine(*command, out=None, err=None, timeout=120):
    # Wine's output goes to files, never to a pipe: the wineserver inherits the pipe's end
    # and can hold it open long after the program has ended.
    with open(LOG, "ab") as log:
        return subprocess.run(command, stdin=subprocess.DEVNULL, stdout=out or log,
                              stderr=err or log, env=ENV, timeout=timeout).returncode


def run_under_wine(command):
    def text(file):
        # The C runtime writes line ends as CR LF; the Linux cases expect bare line ends.
        file.seek(0)
        return file.read().decode().replace("\r\n", "\n")

    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        rc = wine("wine", *command, out=out, err=err)
        return rc, text(out), text(err)


def windows_memory_texts():
    """Total memory, MiB and GiB texts as the Windows build's own functions give them."""
    rc, out, err = run_under_wine([PROBE])
    return out.split("\n")[:3] if (rc, err) == (0, "") else ["0", err, out]


class WindowsOnly(unittest.TestCase):
    def test_memory_query_passes_the_hosts_memory_through(self):
        total, mib, gib = windows_memory_texts()
        # Wine passes the host's memory through, give or take a page.
        self.assertLess(abs(int(total) - e2e.host_memory()), 1 << 20)
        self.assertEqual((mib, gib), (str(int(total) >> 20), "%.2f" % (int(total) / 2**30)))


if __name__ == "__main__":
    e2e.TOOL, PROBE, e2e.SERVICE, e2e.CANNED = sys.argv[1:5]
    e2e.PORT, prefix = int(sys.argv[5]), sys.argv[6]
    # Wine's preconfigured proxy mode follows http_proxy; the services are on loopback. Wine
    # splits no_proxy at semicolons, so "127.0.0.1,localhost" would exempt neither.
    # Wine writes menu entries and file types for a new prefix into the home folder's XDG
    # folders: a home of its own.
    home = tempfile.TemporaryDirectory()
    ENV = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY") and not k.startswith("XDG_")}
    ENV.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
               no_proxy="127.0.0.1", HOME=home.name)
    LOG = os.path.join(os.path.dirname(prefix), "wine.log")
    e2e.RUN = run_under_wine
    e2e.memory_texts = lambda: windows_memory_texts()[1:]
    # Under Wine a receive time-out fails the send with 12030 (Windows: 12002).
    e2e.TIMEOUT_ERROR = r"Error 120(02|30)"

    os.makedirs(prefix, exist_ok=True)
    if wine("wineserver", "-p", timeout=30) != 0:
        sys.exit("wineserver -p failed; see " + LOG)
    # The registry is written when the server stops, so its file marks a finished prefix.
    if not os.path.exists(os.path.join(prefix, "system.reg")) and wine("wineboot", "-i",
                                                                       timeout=300) != 0:
        sys.exit("wineboot -i failed; see " + LOG)
    tests = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(case) for case in
                               (WindowsOnly, e2e.AgainstBundledService, e2e.AgainstCannedReplies))
    try:
        result = unittest.TextTestRunner(verbosity=2).run(tests)
    finally:
        wine("wineserver", "-k", timeout=60)
        home.cleanup()
    sys.exit(0 if result.wasSuccessful() else 1)

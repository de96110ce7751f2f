#!/usr/bin/env python3
"""The Linux end-to-end cases for getVantorel.exe under Wine (Windows transport and memory
query), a check of that query, and the password dialogs answered on with-tray-host.sh's display.

Usage: wine_e2e_test.py TOOL_EXE PROBE_EXE SERVICE CANNED_SERVER PORT WINEPREFIX
PROBE_EXE prints the memory figures the Windows query gives (bench/memory_texts.cpp).
"""
import base64
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path[:0] = [os.path.join(HERE, "..", "tuning"), os.path.join(HERE, "..", "..", "localservices",
                                                                  "desktop")]
import getvantorel_e2e_test as e2e  # noqa: E402
import wine_prefix  # noqa: E402
import x11_windows as x11  # noqa: E402
from wine_prefix import set_internet_proxy, wine  # noqa: E402

PROBE = None
LOGIN = "ann:s3cret"


def text(file):
    # The C runtime writes line ends as CR LF; the Linux cases expect bare line ends.
    file.seek(0)
    return file.read().decode().replace("\r\n", "\n")


def run_under_wine(command):
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


def answer(box, login):
    """Types the user and the password into their fields and presses OK; Cancel without login."""
    for y, text in zip((0.49, 0.63), login.split(":") if login else ()):
        x11.click(box, int(box.width * 0.61), int(box.height * y), 1)
        subprocess.run(["xdotool", "type", "--delay", "20", text], check=True)
    x11.click(box, int(box.width * (0.54 if login else 0.83)), int(box.height * 0.91), 1)


class PasswordDialogs(unittest.TestCase):
    def test_dialog_answers_resend_or_end_in_the_fault(self):
        # The proxy is Wine's own Internet Settings; nothing listens at the endpoint itself.
        for title, header, proxied, login in (
                ("Authentication Required", "Authorization", False, LOGIN),
                ("Authentication Required", "Authorization", False, None),
                ("Enter Network Password", "Proxy-Authorization", True, LOGIN)):
            with self.subTest(header, login=login), tempfile.TemporaryDirectory() as work:
                heads, bodies = os.path.join(work, "heads"), os.path.join(work, "bodies")
                set_internet_proxy("127.0.0.1:%d" % (PORT + 1) if proxied else None)
                with e2e.canned(e2e.profile_reply(e2e.numbered(17)), "--credentials", LOGIN,
                                "--head-log", heads, "--request-log", bodies,
                                *["--proxy"][:proxied], port=PORT + proxied), \
                        tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                    tool = subprocess.Popen(["wine", e2e.TOOL, "a", "b", "c"], env=ENV,
                                            stdin=subprocess.DEVNULL, stdout=out, stderr=err)
                    box = x11.wait_for(lambda: x11.windows_of_class(title, 50, "--name"), 20)
                    if box:
                        answer(box[0], login)
                    rc, out, err = tool.wait(60), text(out), text(err)
                heads = open(heads).read().split("----\n")[:-1]
                bodies = open(bodies, "rb").read().split(b"\n----\n")[:-1]
                self.assertTrue(box, "no dialog " + title)
                if not login:
                    self.assertEqual((rc, out, len(heads)), (0, "", 1))
                    self.assertRegex(err, e2e.FAULT_REPORT)
                    continue
                self.assertEqual((rc, err, out.count("\n")), (0, "", 17), out)
                # Wine sends once more without the typed-in login before it answers the
                # challenge with it: the first and last requests tell the two apart.
                basic = "\n%s: Basic %s\n" % (header, base64.b64encode(LOGIN.encode()).decode())
                self.assertNotIn("\n%s:" % header, heads[0])
                self.assertIn(basic, heads[-1])
                self.assertIn("\nContent-Length: %d\n" % len(bodies[0]), heads[-1])
                self.assertEqual(set(bodies), {bodies[0]})
        set_internet_proxy(None)


if __name__ == "__main__":
    e2e.TOOL, PROBE, e2e.SERVICE, e2e.CANNED = sys.argv[1:5]
    e2e.PORT = PORT = int(sys.argv[5])
    prefix = sys.argv[6]
    # Wine's preconfigured proxy mode follows http_proxy, which clean_env drops with no_proxy.
    # The dialogs show on the harness's X display, and what Wine writes for a new prefix into
    # the home folder lands in the harness's.
    ENV = {k: v for k, v in e2e.clean_env().items() if k != "WAYLAND_DISPLAY"}
    ENV.update(WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")
    wine_prefix.ENV, wine_prefix.LOG = ENV, os.path.join(os.path.dirname(prefix), "wine.log")
    e2e.RUN = run_under_wine
    e2e.memory_texts = lambda: windows_memory_texts()[1:]
    # Under Wine a receive time-out fails the send with 12030 (Windows: 12002).
    e2e.TIMEOUT_ERROR = r"Error 120(02|30)"

    wine_prefix.start()
    tests = unittest.TestSuite(unittest.defaultTestLoader.loadTestsFromTestCase(case) for case in
                               (WindowsOnly, PasswordDialogs, e2e.AgainstBundledService,
                                e2e.AgainstCannedReplies))
    try:
        result = unittest.TextTestRunner(verbosity=2).run(tests)
    finally:
        wine("wineserver", "-k", timeout=60)
    sys.exit(0 if result.wasSuccessful() else 1)

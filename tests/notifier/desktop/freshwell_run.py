"""What the real-desktop tests share: Freshwell against the bundled catalog server with an
installer that logs its calls, the sample's texts, and on() to name the
harnesses a case runs in (list_cases.py reads it). ctest sets FRESHWELL and ARTIFACT_DIR."""

import os
import pathlib
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "localservices", "desktop"))
import x11_windows as x11  # noqa: E402,F401

APP = "Freshwell"
# The icon at each size it comes in; the tray shows the one that fits its height.
ICONS = [os.path.join(SOURCE, "notifier", "Freshwell%d.png" % size)
         for size in (16, 22, 24, 32, 48)]
NOTIFICATIONS = "org.freedesktop.Notifications"
WATCHER = "org.kde.StatusNotifierWatcher"
TITLE = "Updates available!"
TEXT = ("There are 2 updates available for your Corvanta Standard Server installation.\n\n"
        "Right-click the tray icon to download and install.")


def on(*harnesses):
    """Runs the case only in these harnesses: "tray" (trayer), "session-bus" (a bare bus the
    test plays services on) or a desktop of with-desktop.sh."""
    def mark(test):
        test.harnesses = harnesses
        return test
    return mark


class FreshwellRun(unittest.TestCase):
    """Freshwell against the bundled catalog server, with an installer that logs its calls."""

    def launch(self, *options):
        server = self.enterContext(subprocess.Popen(
            [sys.executable, os.path.join(SOURCE, "localservices", "catalog_server.py"),
             "--port", "0", "--dir", os.path.join(SOURCE, "localservices", "catalog")],
            stdout=subprocess.PIPE, text=True))
        self.addCleanup(server.kill)
        line = server.stdout.readline()
        self.assertTrue(line.startswith("listening on 127.0.0.1:"), line)
        url = "http://127.0.0.1:%s/applications.xml" % line.rsplit(":", 1)[1].strip()

        work = pathlib.Path(self.enterContext(tempfile.TemporaryDirectory()))
        self.installer_log = work / "installer.log"
        self.installer_log.touch()
        self.installer_done = work / "installer.done"
        # In a folder whose name is not ASCII; it records its arguments, then works a while
        # (reading its input to the end, writing output) before it writes its done file.
        installer = work / "Instala\u00e7\u00e3o" / "installer.sh"
        installer.parent.mkdir()
        installer.write_text('#!/bin/sh -e\nprintf "%%s\\n" "$*" >> "%s"\ncat >/dev/null\nsleep 3\n'
                             'seq 100000\nseq 1000 >&2\ntouch "%s"\n'
                             % (self.installer_log, self.installer_done))
        installer.chmod(0o755)
        self.program = subprocess.Popen(
            [os.environ["FRESHWELL"], "--immediate-check", "--application-list", url,
             "--execute", installer, *options],
            env=dict(os.environ, XDG_RUNTIME_DIR=str(work), FRESHWELL_REGISTRY=os.path.join(
                SOURCE, "localservices", "catalog", "HKEY_LOCAL_MACHINE.ini")))
        self.addCleanup(self.program.wait)
        self.addCleanup(self.program.kill)

    def alive(self):
        return self.program.poll() is None

    def installer_calls(self):
        return self.installer_log.read_text().splitlines()

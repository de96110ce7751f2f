"""Freshwell on a real X server with a tray host (under with-tray-host.sh), its first check
finding the sample catalog's two updates, driven with xdotool. ctest sets FRESHWELL (the
program) and ARTIFACT_DIR (where the screenshot stays)."""

import os
import pathlib
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = os.path.join(os.path.dirname(__file__), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "localservices", "desktop"))
import x11_windows as x11  # noqa: E402

APP = "Freshwell"
MENU_FIRST_ENTRY = (30, 10)  # "&Install updates", at the top of the menu
# The icon at each size it comes in; the tray shows the one that fits its height.
ICONS = [os.path.join(SOURCE, "notifier", "Freshwell%d.png" % size)
         for size in (16, 22, 24, 32, 48)]


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


class FreshwellWindowTest(FreshwellRun):
    def start(self):
        self.launch()
        icon = x11.wait_for(lambda: x11.tray_icon(APP), 15)
        self.assertIsNotNone(icon, "no icon in the tray")
        balloon = x11.wait_for(lambda: x11.settled_balloon(APP), 5)
        self.balloon_seen = time.monotonic()
        self.assertIsNotNone(balloon, "no balloon")
        self.assertTrue(self.alive())
        return icon, balloon

    def assert_installer_ran_and_icon_left(self):
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=8.4"])
        self.assertFalse(self.installer_done.exists())
        self.assertTrue(x11.wait_for(lambda: x11.tray_icon(APP) is None, 3),
                        "the icon stayed in the tray")
        time.sleep(0.5)
        self.assertTrue(self.alive())

    def test_icon_in_tray_and_balloon_click_starts_installer(self):
        _, balloon = self.start()
        shot = os.path.join(os.environ["ARTIFACT_DIR"], "freshwell-tray.png")

        def icon_drawn():
            # The tray host may still move the icon, and the icon may not be painted yet.
            subprocess.run(["import", "-window", "root", shot], check=True)
            now = x11.tray_icon(APP)
            # The balloon's tail may cover the edge of an icon drawn at the tray's height.
            return now is not None and any(x11.contains_image(shot, now, png, share=0.75)
                                           for png in ICONS)

        self.assertTrue(x11.wait_for(icon_drawn, 3),
                        "the tray does not show Freshwell's icon (see %s)" % shot)
        x11.click(balloon, 40, 50, 1)  # on the balloon's text
        self.assert_installer_ran_and_icon_left()
        self.assertIsNone(x11.balloon(APP))

    def test_left_clicks_on_icon_while_balloon_shows_do_nothing(self):
        icon, _ = self.start()
        x11.click(icon, icon.width // 2, icon.height // 2, 1)
        x11.click(icon, icon.width // 2, icon.height // 2, 1, repeat=2)
        time.sleep(1.0)
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])
        self.assertIsNotNone(x11.tray_icon(APP))
        self.assertIsNone(x11.popup_menu(APP))

    def test_right_click_while_balloon_shows_opens_menu_and_installer_outlives_freshwell(self):
        icon, _ = self.start()
        x11.click(icon, icon.width // 2, icon.height // 2, 3)
        self.assertLess(time.monotonic() - self.balloon_seen, 1.0,
                        "the right click came too late to hit the balloon")
        menu = x11.wait_for(lambda: x11.popup_menu(APP), 3)
        self.assertTrue(self.alive(), "died on the right click")
        self.assertIsNotNone(menu, "no menu after a right click on the icon")
        self.assertEqual(self.installer_calls(), [],
                         "a right click on the icon started the installer")
        x11.click(menu, *MENU_FIRST_ENTRY, 1)
        self.assert_installer_ran_and_icon_left()
        self.program.terminate()
        self.assertTrue(x11.wait_for(self.installer_done.exists, 10),
                        "the installer did not finish after Freshwell ended")


if __name__ == "__main__":
    unittest.main()

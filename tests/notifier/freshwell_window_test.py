"""Freshwell on a real X server with a tray host (run under with-tray-host.sh), its first
check finding the sample catalog's two updates, driven with xdotool; the add-on installer is
a script that records its arguments. ctest sets the environment: FRESHWELL, CATALOG_SERVER,
CATALOG_DIR, REGISTRY_INI, ICON_PNG and ARTIFACT_DIR (the screenshot is kept there)."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "localservices", "desktop"))
import x11_windows as x11  # noqa: E402

APP = "Freshwell"
MENU_FIRST_ENTRY = (30, 10)  # "&Install updates", at the top of the menu
BALLOON_TEXT = (40, 50)
# The icon at each size it comes in; the tray shows the one that fits its height.
ICONS = [os.path.join(os.path.dirname(os.environ.get("ICON_PNG", "")), "Freshwell%d.png" % size)
         for size in (16, 22, 24, 32, 48)]


class FreshwellRun(unittest.TestCase):
    """Freshwell against the bundled catalog server, with an installer that logs its calls."""

    def setUp(self):
        env = os.environ
        self.server = subprocess.Popen(
            [sys.executable, env["CATALOG_SERVER"], "--port", "0", "--dir", env["CATALOG_DIR"]],
            stdout=subprocess.PIPE, text=True)
        self.addCleanup(self.server.wait)
        self.addCleanup(self.server.kill)
        line = self.server.stdout.readline()
        self.assertTrue(line.startswith("listening on 127.0.0.1:"), line)
        self.url = "http://127.0.0.1:%s/applications.xml" % line.rsplit(":", 1)[1].strip()

    def launch(self, *options):
        """Starts Freshwell with a recording installer and its first check at once."""
        workdir = tempfile.mkdtemp(prefix="freshwell-window-")
        self.addCleanup(shutil.rmtree, workdir, True)
        self.installer_log = os.path.join(workdir, "installer.log")
        self.installer_done = os.path.join(workdir, "installer.done")
        # In a folder whose name is not ASCII; it records its arguments, then works a while
        # (reading its input to the end, writing output) before it writes its done file.
        os.mkdir(os.path.join(workdir, "Instala\u00e7\u00e3o"))
        installer = os.path.join(workdir, "Instala\u00e7\u00e3o", "installer.sh")
        with open(installer, "w") as script:
            script.write('#!/bin/sh -e\nprintf "%%s\\n" "$*" >> "%s"\ncat >/dev/null\nsleep 1\n'
                         'seq 100000\nseq 1000 >&2\ntouch "%s"\n'
                         % (self.installer_log, self.installer_done))
        os.chmod(installer, 0o755)
        with open(os.path.join(workdir, "program.log"), "w") as output:
            self.program = subprocess.Popen(
                [os.environ["FRESHWELL"], "--immediate-check", "--application-list", self.url,
                 "--execute", installer, *options], stdout=output, stderr=subprocess.STDOUT,
                env=dict(os.environ, FRESHWELL_REGISTRY=os.environ["REGISTRY_INI"],
                         XDG_RUNTIME_DIR=workdir))
        self.addCleanup(self.stop)

    def alive(self):
        return self.program.poll() is None

    def stop(self):
        self.program.terminate()
        try:
            self.program.wait(5)
        except subprocess.TimeoutExpired:
            self.program.kill()
            self.program.wait()

    def installer_calls(self):
        try:
            with open(self.installer_log) as log:
                return log.read().splitlines()
        except FileNotFoundError:
            return []


class FreshwellWindowTest(FreshwellRun):
    def start(self):
        """Starts Freshwell; waits for its icon and balloon."""
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
        x11.click(balloon, *BALLOON_TEXT, 1)
        self.assert_installer_ran_and_icon_left()
        self.assertIsNone(x11.balloon(APP))

    def test_balloon_goes_and_installer_outlives_freshwell(self):
        icon, _ = self.start()
        # The second posting shows for 5000 ms.
        self.assertTrue(x11.wait_for(lambda: x11.balloon(APP) is None, 8), "the balloon stayed")
        self.assertGreater(time.monotonic() - self.balloon_seen, 4.0)
        self.assertLess(time.monotonic() - self.balloon_seen, 6.5)
        x11.click(icon, icon.width // 2, icon.height // 2, 3)
        menu = x11.wait_for(lambda: x11.popup_menu(APP), 3)
        self.assertIsNotNone(menu, "no menu after a right click on the icon")
        x11.click(menu, *MENU_FIRST_ENTRY, 1)
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=8.4"])
        self.assertFalse(os.path.exists(self.installer_done))
        self.stop()
        self.assertTrue(x11.wait_for(lambda: os.path.exists(self.installer_done), 10),
                        "the installer did not finish after Freshwell ended")

    def test_left_clicks_on_icon_while_balloon_shows_do_nothing(self):
        icon, _ = self.start()
        x11.click(icon, icon.width // 2, icon.height // 2, 1)
        x11.click(icon, icon.width // 2, icon.height // 2, 1, repeat=2)
        time.sleep(1.0)
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])
        self.assertIsNotNone(x11.tray_icon(APP))
        self.assertIsNone(x11.popup_menu(APP))

    def test_right_click_while_balloon_shows_opens_menu(self):
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


if __name__ == "__main__":
    unittest.main()

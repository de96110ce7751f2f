"""Freshwell on a real X server with a tray host: run under with-tray-host.sh.

Each test starts the local catalog server and `Freshwell --immediate-check` with the
sample registry, so the first check finds two updates at once, and drives the icon, the
balloon and the menu with xdotool. The add-on installer is a script that records its
arguments.

Settings come from the environment (ctest sets them): FRESHWELL (the program),
TRAY_PROBE (the minimal tray program), CATALOG_SERVER, CATALOG_DIR, REGISTRY_INI,
ICON_PNG, ARTIFACT_DIR (screenshots are kept there) and REGRESSION_RUNS (how many
times the right-click regression repeats, 1 unless set)."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import x11_windows as x11  # noqa: E402

APP = "Freshwell"
# Inside the menu: the first entry ("&Install updates") sits at the top.
MENU_FIRST_ENTRY = (30, 10)
# Inside the balloon, on its text.
BALLOON_TEXT = (40, 50)


class CatalogServer:
    def __init__(self):
        self.process = subprocess.Popen(
            [sys.executable, os.environ["CATALOG_SERVER"], "--port", "0",
             "--dir", os.environ["CATALOG_DIR"]],
            stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.startswith("listening on 127.0.0.1:"):
            self.stop()
            raise RuntimeError("catalog server did not start: %r" % line)
        self.port = int(line.rsplit(":", 1)[1])

    def url(self, name):
        return "http://127.0.0.1:%d/%s" % (self.port, name)

    def stop(self):
        self.process.kill()
        self.process.wait()


class TrayProgram:
    """A started tray program with a recording installer."""

    def __init__(self, command, workdir):
        self.installer_log = os.path.join(workdir, "installer.log")
        env = dict(os.environ, FRESHWELL_REGISTRY=os.environ["REGISTRY_INI"],
                   XDG_RUNTIME_DIR=workdir)
        self.output = open(os.path.join(workdir, "program.log"), "w")
        self.process = subprocess.Popen(command, env=env, stdout=self.output,
                                        stderr=subprocess.STDOUT)

    def alive(self):
        return self.process.poll() is None

    def installer_calls(self):
        try:
            with open(self.installer_log) as log:
                return [line.rstrip("\n") for line in log]
        except FileNotFoundError:
            return []

    def stop(self):
        if self.alive():
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.output.close()


def write_recording_installer(workdir):
    path = os.path.join(workdir, "installer.sh")
    with open(path, "w") as script:
        script.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\n'
                     % os.path.join(workdir, "installer.log"))
    os.chmod(path, 0o755)
    return path


class RealWindowCase(unittest.TestCase):
    name = APP

    def setUp(self):
        self.server = CatalogServer()
        self.addCleanup(self.server.stop)
        self.workdirs = []

    def start(self):
        workdir = tempfile.mkdtemp(prefix="freshwell-window-")
        os.chmod(workdir, 0o700)
        installer = write_recording_installer(workdir)
        program = TrayProgram(self.command(installer), workdir)
        self.addCleanup(program.stop)
        return program

    def command(self, installer):
        return [os.environ["FRESHWELL"], "--immediate-check",
                "--application-list", self.server.url("applications.xml"),
                "--execute", installer]

    def wait_for_announcement(self, program):
        """Waits for the icon in the tray and the balloon; returns both and the time the
        balloon was first seen."""
        icon = x11.wait_for(lambda: x11.tray_icon(self.name), 15)
        self.assertIsNotNone(icon, "no icon in the tray")
        balloon = x11.wait_for(lambda: x11.balloon(self.name), 5)
        seen = time.monotonic()
        self.assertIsNotNone(balloon, "no balloon")
        self.assertTrue(program.alive())
        return icon, balloon, seen

    def wait_for_installer(self, program):
        calls = x11.wait_for(program.installer_calls, 5)
        self.assertEqual(calls, ["--server=8.4"])

    def right_click_opens_menu_and_installs(self):
        program = self.start()
        try:
            icon, _, balloon_seen = self.wait_for_announcement(program)
            x11.click(icon, icon.width // 2, icon.height // 2, 3)
            self.assertLess(time.monotonic() - balloon_seen, 1.0,
                            "the right click came too late to hit the balloon")
            menu = x11.wait_for(lambda: x11.popup_menu(self.name), 3)
            self.assertTrue(program.alive(), "died on the right click")
            self.assertIsNotNone(menu, "no menu after a right click on the icon")
            self.assertEqual(program.installer_calls(), [],
                             "a right click on the icon started the installer")
            x11.click(menu, *MENU_FIRST_ENTRY, 1)
            self.wait_for_installer(program)
            self.assertTrue(x11.wait_for(lambda: x11.tray_icon(self.name) is None, 3),
                            "the icon stayed in the tray")
            time.sleep(0.5)
            self.assertTrue(program.alive())
        finally:
            program.stop()


class FreshwellWindowTest(RealWindowCase):
    def test_icon_in_tray_and_balloon_click_starts_installer(self):
        program = self.start()
        icon, balloon, _ = self.wait_for_announcement(program)
        shot = os.path.join(os.environ["ARTIFACT_DIR"], "freshwell-tray.png")
        x11.screenshot(shot)
        self.assertTrue(x11.contains_image(shot, icon, os.environ["ICON_PNG"]),
                        "the tray does not show Freshwell's icon (see %s)" % shot)

        x11.click(balloon, *BALLOON_TEXT, 1)
        self.wait_for_installer(program)
        self.assertTrue(x11.wait_for(lambda: x11.tray_icon(self.name) is None, 3),
                        "the icon stayed in the tray")
        self.assertIsNone(x11.balloon(self.name))
        self.assertTrue(program.alive())

    def test_left_click_on_icon_while_balloon_shows_does_nothing(self):
        program = self.start()
        icon, _, _ = self.wait_for_announcement(program)
        x11.click(icon, icon.width // 2, icon.height // 2, 1)
        time.sleep(1.0)
        self.assertTrue(program.alive())
        self.assertEqual(program.installer_calls(), [])
        self.assertIsNotNone(x11.tray_icon(self.name))
        self.assertIsNone(x11.popup_menu(self.name))

    def test_right_click_while_balloon_shows_opens_menu(self):
        runs = int(os.environ.get("REGRESSION_RUNS", "1"))
        failures = []
        for run in range(runs):
            try:
                self.right_click_opens_menu_and_installs()
            except AssertionError as failure:
                failures.append("run %d: %s" % (run + 1, failure))
        print("right-click regression: %d of %d runs passed" % (runs - len(failures), runs),
              file=sys.stderr)
        self.assertEqual(failures, [])


class TrayProbeWindowTest(RealWindowCase):
    """The balloon click guard on its own, in a minimal tray program."""

    name = "tray_probe"

    def command(self, installer):
        return [os.environ["TRAY_PROBE"], "--guard"]

    def test_right_click_while_balloon_shows_opens_menu(self):
        program = self.start()
        icon, _, _ = self.wait_for_announcement(program)
        x11.click(icon, icon.width // 2, icon.height // 2, 3)
        menu = x11.wait_for(lambda: x11.popup_menu(self.name), 3)
        self.assertTrue(program.alive(), "died on the right click")
        self.assertIsNotNone(menu)
        x11.click(menu, *MENU_FIRST_ENTRY, 1)
        time.sleep(0.5)
        program.stop()
        with open(program.output.name) as output:
            reported = output.read().split()
        self.assertIn("menu-shown", reported)
        self.assertIn("installer-from-menu", reported)
        self.assertNotIn("installer-from-balloon", reported)


if __name__ == "__main__":
    unittest.main()

#!/usr/bin/env python3
"""Freshwell.exe under Wine on an X server with trayer's tray (run by with-tray-host.sh):
the registry read through the native settings, Wine's notification-area icon, balloon and
context menu, the installer start, the boxes over no window and the exit codes.

Usage: freshwell_wine_test.py FRESHWELL_EXE RECORDER_EXE WINEPREFIX
RECORDER_EXE stands in for the add-on installer (record_arguments.c).

Wine draws the balloon and Qt the menu and boxes with Windows fonts: their texts are read
back from the screen with tesseract. Wine docks the icon for its explorer.exe, which also
draws the balloon; the menu and the boxes are windows of class freshwell.exe.
"""
import configparser
import datetime
import difflib
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "localservices", "desktop"))
import wine_prefix  # noqa: E402
import x11_windows as x11  # noqa: E402
from wine_prefix import reg_add, set_internet_proxy, wine  # noqa: E402

CATALOG = os.path.join(SOURCE, "localservices", "catalog")
KEY_ROOT = r"HKLM\SOFTWARE\Corvanta"
FRESHWELL = RECORDER = WORK = None
TWO_UPDATES = ("Updates available! There are 2 updates available for your Corvanta Standard "
               "Server installation. Right-click the tray icon to download and install.")
ONE_UPDATE = ("Update available! There is 1 update available for your Corvanta Standard "
              "Server installation.")
OPTIONS = ("Available options are: -s or --server <version> -e or --execute <command> "
           "-a or --application-list <url> -i or --immediate-check")


def fill_registry(values):
    """Replaces the keys below KEY_ROOT: values maps a key (below KEY_ROOT) to
    (value name, type, data) as `reg add` takes them."""
    wine("wine", "reg", "delete", KEY_ROOT, "/f")
    for key, (name, kind, data) in values.items():
        assert reg_add(KEY_ROOT + "\\" + key, "/v", name, "/t", kind, "/d", data), key


def sample_registry():
    """The sample catalog's registry stand-in (its INI file), as REG_SZ values."""
    ini = configparser.ConfigParser(interpolation=None)
    ini.optionxform = str
    ini.read(os.path.join(CATALOG, "HKEY_LOCAL_MACHINE.ini"))
    prefix = "SOFTWARE\\Corvanta\\"
    return {section[len(prefix):]: (name, "REG_SZ", value.strip('"'))
            for section in ini.sections() for name, value in ini.items(section)}


def tray_icon():
    return next(iter(x11.windows_in("explorer.exe", True)), None)


def balloon():
    return next(iter(x11.windows_in("explorer.exe", False)), None)


def freshwell_window():
    """Freshwell's one showing window (its menu or a box), or None."""
    shown = x11.windows_in("freshwell.exe", False)
    return shown[0] if len(shown) == 1 else None


def reads(text, expected, key):
    """Whether OCR text shows expected: key exactly, and nine tenths of expected's
    characters in order (reading slips on the rest, as "-5 or" for "-s or", are tolerated)."""
    blocks = difflib.SequenceMatcher(None, expected, text, autojunk=False).get_matching_blocks()
    return key in text and sum(b.size for b in blocks) >= 0.9 * len(expected)


def wait_for_text(probe, expected, key, timeout=10):
    """The window probe finds once it reads as expected (it may still be drawing)."""
    seen = [None]

    def found():
        window = probe()
        if window:
            seen[0] = x11.text_of(window, 300)
        return window if window and reads(seen[0], expected, key) else None

    window = x11.wait_for(found, timeout)
    assert window, "never read %r; last read %r" % (expected, seen[0])
    return window


def catalog_server(*options):
    """The bundled catalog server with options, and its port."""
    server = subprocess.Popen([sys.executable, os.path.join(SOURCE, "localservices",
                                                            "catalog_server.py"),
                               "--port", "0", "--dir", CATALOG, *options], stdout=subprocess.PIPE,
                              text=True)
    return server, int(server.stdout.readline().rsplit(":", 1)[1])


class FreshwellUnderWine(unittest.TestCase):
    def setUp(self):
        self.log = pathlib.Path(RECORDER).with_name("arguments.log")
        self.log.unlink(missing_ok=True)
        self.program = None

    def tearDown(self):
        if self.program and self.program.poll() is None:
            self.program.kill()
            self.program.wait()
        # Quits Freshwell.exe itself too (the wine loader above is only its starter) and
        # takes the icon out of the tray for the next case.
        wine("wine", "taskkill", "/f", "/im", "Freshwell.exe")

    def trail(self):
        """What this case's Freshwell.exe wrote to the debugger output."""
        with open(LOG, "rb") as log:
            return log.read()[self.log_start:].decode(errors="replace")

    def start(self, *options, catalog="applications.xml", url=None):
        url = url or "http://127.0.0.1:%d/%s" % (PORT, catalog)
        self.log_start = os.path.getsize(LOG)
        with open(LOG, "ab") as log:
            self.program = subprocess.Popen(
                ["wine", FRESHWELL, "-i", "-a", url, "-e", RECORDER, *options],
                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, env=ENV)

    def exit_code(self, timeout=15):
        return self.program.wait(timeout)

    def installer_starts(self):
        return self.log.read_text(encoding="utf-8") if self.log.exists() else ""

    def open_menu(self):
        icon = x11.wait_for(tray_icon, 20)
        self.assertIsNotNone(icon, "no icon in the tray")
        x11.click(icon, icon.width // 2, icon.height // 2, 3)
        return wait_for_text(freshwell_window, "Install updates Quit", "Quit")

    def close_box(self, box):
        # The box's single button is its default: Return presses it once the box has focus.
        x11.click(box, box.width // 2, 20, 1)
        subprocess.run(["xdotool", "key", "--window", box.id, "Return"], check=True)

    def test_sample_catalog_announces_two_and_quit_exits_zero(self):
        fill_registry(sample_registry())
        self.start()
        wait_for_text(balloon, TWO_UPDATES, "Updates available! There are 2 updates ", 20)
        menu = self.open_menu()
        self.assertEqual(x11.text_of(menu, 300), "Install updates Quit")
        x11.click(menu, menu.width // 2, menu.height * 3 // 4, 1)  # Quit, below the separator
        self.assertEqual(self.exit_code(), 0)
        self.assertEqual(self.installer_starts(), "")

    def test_menu_install_starts_installer_once_and_hides_icon(self):
        fill_registry(sample_registry())
        self.start()
        menu = self.open_menu()
        x11.click(menu, menu.width // 2, menu.height // 4, 1)  # Install updates
        self.assertEqual(x11.wait_for(self.installer_starts, 10), "--server=8.4\n.\n")
        self.assertTrue(x11.wait_for(lambda: tray_icon() is None, 5), "the icon stayed")
        self.assertIsNone(self.program.poll(), "Freshwell ended after the install")
        self.assertEqual(self.installer_starts(), "--server=8.4\n.\n")

    def test_missing_keys_and_other_value_types_read_as_text(self):
        # Connector ODBC's DWORD reads as "3", not the catalog's 3.51.27: an update.
        # Migration Toolkit's expandable text equals the catalog's 1.1.12, Workbench has no
        # key and Query Browser's key no Version value: no update.
        fill_registry({"Connector ODBC": ("Version", "REG_DWORD", "3"),
                       "Migration Toolkit": ("Version", "REG_EXPAND_SZ", "1.1.12"),
                       "Query Browser": ("Path", "REG_SZ", "1.2.16")})
        self.start()
        wait_for_text(balloon, ONE_UPDATE, "Update available! There is 1 update ", 20)

    def test_help_and_invalid_option_boxes_exit_one(self):
        for option, key in (("-h", "Usage: Freshwell [options] "),
                            ("--server=9.0", "An invalid command line option was specified. ")):
            with self.subTest(option):
                self.start(option)
                box = wait_for_text(freshwell_window, key + OPTIONS, key)
                self.close_box(box)
                self.assertEqual(self.exit_code(), 1)

    def test_catalog_failure_shows_error_box_and_keeps_running(self):
        self.start(catalog="status/404")
        text = "An error occured checking the update catalog:"
        box = wait_for_text(freshwell_window, text, text)
        self.close_box(box)
        self.assertTrue(x11.wait_for(lambda: freshwell_window() is None, 5), "the box stayed")
        self.assertIsNone(self.program.poll(), "Freshwell ended after a failed check")
        self.assertIsNone(tray_icon())

    def test_catalog_goes_through_the_internet_settings_proxy(self):
        # A host that only the proxy knows. Asking for a login, the proxy ends the check in
        # the network box, and the next one is a day away.
        fill_registry(sample_registry())
        for login in (None, "user:secret"):
            with self.subTest(login=login), tempfile.TemporaryDirectory() as work:
                seen = os.path.join(work, "proxy.log")
                proxy, port = catalog_server("--proxy-log", seen,
                                             *(("--proxy-login", login) if login else ()))
                self.addCleanup(proxy.kill)
                set_internet_proxy("127.0.0.1:%d" % port)
                self.addCleanup(set_internet_proxy, None)
                self.start(url="http://catalog.invalid/applications.xml")
                if login:
                    text = "An error occured checking the update catalog: Proxy requires"
                    self.close_box(wait_for_text(freshwell_window, text, "Proxy"))
                    self.assertTrue(x11.wait_for(lambda: freshwell_window() is None, 5))
                    # Once the box is closed, as after any failed check.
                    due = x11.wait_for(lambda: re.search(
                        r"next check at (\S+): nothing to announce", self.trail()), 5)
                    self.assertTrue(due, "no check armed")
                    self.assertGreater(datetime.datetime.fromisoformat(due[1]),
                                       datetime.datetime.now() + datetime.timedelta(hours=23))
                    self.assertIsNone(self.program.poll())
                else:
                    wait_for_text(balloon, TWO_UPDATES, "Updates available! There are 2 ", 20)
                self.assertIn("GET http://catalog.invalid/applications.xml",
                              pathlib.Path(seen).read_text())
                self.tearDown()


if __name__ == "__main__":
    FRESHWELL, RECORDER, prefix = sys.argv[1:4]
    WORK = tempfile.mkdtemp()
    # The installer in a folder whose name is not ASCII: Windows passes it wide.
    RECORDER = shutil.copy(RECORDER, pathlib.Path(WORK, "Instala\u00e7\u00e3o").mkdir() or
                           os.path.join(WORK, "Instala\u00e7\u00e3o", "installer.exe"))
    # The schedule's trail goes to the debugger output, which Wine writes to the log.
    ENV = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all,warn+seh",
               WINEQT_LOGGING_RULES="freshwell.schedule.debug=true",
               WINEDLLOVERRIDES="mscoree,mshtml=", no_proxy="127.0.0.1")
    wine_prefix.ENV = ENV
    wine_prefix.LOG = LOG = os.path.join(os.path.dirname(prefix), "freshwell-wine.log")
    server, PORT = catalog_server()
    # One wineserver for the whole run, on this run's display.
    wine_prefix.start()
    try:
        result = unittest.main(argv=sys.argv[:1] + sys.argv[4:], exit=False, verbosity=2).result
    finally:
        wine("wineserver", "-k")
        server.kill()
        shutil.rmtree(WORK, ignore_errors=True)
    sys.exit(0 if result.wasSuccessful() else 1)

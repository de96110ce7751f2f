"""Prints "HARNESS MODULE CASE" for every case of the test modules named, for each harness it runs in
(on() of freshwell_run), leaving out desktops that are not installed: ctest's list of cases
comes from the files themselves. Usage: list_cases.py MODULE.py..."""

import importlib
import os
import shutil
import sys
import unittest

# The program each desktop of with-desktop.sh cannot run without.
NEEDS = {"tray": "trayer", "session-bus": "dbus-daemon", "plasma": "plasmashell",
         "gnome": "gnome-shell", "gnome-appindicator": "gnome-shell", "lxqt": "lxqt-panel",
         "sway": "sway", "xfce": "xfce4-panel", "xfce-dunst": "dunst", "xfce-none": "xfce4-panel",
         "bare": "Xvfb"}

loader = unittest.TestLoader()
for path in sys.argv[1:]:
    sys.path.insert(0, os.path.dirname(os.path.abspath(path)))
    module = importlib.import_module(os.path.basename(path)[:-3])
    for case in loader.loadTestsFromModule(module):
        for test in case:
            method = getattr(type(test), test.id().rsplit(".", 1)[1])
            harnesses = getattr(method, "harnesses", getattr(type(test), "harnesses", None))
            if not harnesses:
                sys.exit("%s names no harness (see on())" % test.id())
            for harness in harnesses:
                if shutil.which(NEEDS[harness]):
                    print(harness, path, test.id().split(".", 1)[1])

#!/usr/bin/env python3
"""Waits until the X display in $DISPLAY has a system tray, i.e. until some client owns
the _NET_SYSTEM_TRAY_S<screen> selection. Qt decides once, when a tray icon is created,
whether a tray exists, so a test must not start before the tray host has claimed it.

Usage: wait-for-tray.py [timeout-seconds]; exit 0 when ready, 1 on time-out."""
import ctypes
import ctypes.util
import sys
import time


def main():
    timeout = float(sys.argv[1]) if len(sys.argv) > 1 else 10.0
    xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XDefaultScreen.argtypes = [ctypes.c_void_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XGetSelectionOwner.restype = ctypes.c_ulong
    xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]

    display = xlib.XOpenDisplay(None)
    if not display:
        print("wait-for-tray: cannot open display", file=sys.stderr)
        return 1
    try:
        name = "_NET_SYSTEM_TRAY_S%d" % xlib.XDefaultScreen(display)
        atom = xlib.XInternAtom(display, name.encode(), 0)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if xlib.XGetSelectionOwner(display, atom):
                return 0
            time.sleep(0.05)
        print("wait-for-tray: no owner of %s after %gs" % (name, timeout), file=sys.stderr)
        return 1
    finally:
        xlib.XCloseDisplay(display)


if __name__ == "__main__":
    sys.exit(main())

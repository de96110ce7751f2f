#!/usr/bin/env python3
"""Waits until the X display in $DISPLAY has a system tray, i.e. until some client owns
the _NET_SYSTEM_TRAY_S<screen> selection: Qt decides once, when a tray icon is created,
whether a tray exists. Usage: wait-for-tray.py [timeout-seconds]; exit 0 when ready."""
import ctypes
import ctypes.util
import sys
import time

xlib = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
xlib.XOpenDisplay.restype = ctypes.c_void_p
xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
xlib.XDefaultScreen.argtypes = [ctypes.c_void_p]
xlib.XInternAtom.restype = ctypes.c_ulong
xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
xlib.XGetSelectionOwner.restype = ctypes.c_ulong
xlib.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]

display = xlib.XOpenDisplay(None)
if not display:
    sys.exit("wait-for-tray: cannot open display")
name = "_NET_SYSTEM_TRAY_S%d" % xlib.XDefaultScreen(display)
atom = xlib.XInternAtom(display, name.encode(), 0)
deadline = time.monotonic() + (float(sys.argv[1]) if len(sys.argv) > 1 else 10.0)
while not xlib.XGetSelectionOwner(display, atom):
    if time.monotonic() >= deadline:
        sys.exit("wait-for-tray: no owner of %s" % name)
    time.sleep(0.05)

"""Finds and clicks the windows of a tray program on the X display in $DISPLAY, through
the x11-utils, xdotool and ImageMagick command-line tools.

With Qt's own X11 tray the program has three kinds of windows, all carrying its name:
the icon (reparented into the tray host's "panel" window), the balloon (a top-level
window of type TOOLTIP) and, once opened, the context menu (another top-level window)."""

import collections
import os
import re
import subprocess
import tempfile
import time

_TREE_LINE = re.compile(
    r'^(\s*)(0x[0-9a-f]+) (?:"([^"]*)"|\(has no name\)): \(([^)]*)\)\s+(\d+)x(\d+)'
    r'[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)')

Window = collections.namedtuple("Window", "id x y width height in_tray")


def _run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False).stdout


def _windows(name, wm_class=None):
    """Every mapped window called name (or, given wm_class, of that class) with its absolute
    geometry, in the tray or not."""
    found, panel_indent = [], None
    for line in _run("xwininfo", "-root", "-tree").splitlines():
        match = _TREE_LINE.match(line)
        if not match:
            continue
        indent, wid, title, cls, w, h, x, y = match.groups()
        if panel_indent is not None and len(indent) <= panel_indent:
            panel_indent = None
        if title == "panel" and "trayer" in cls:
            panel_indent = len(indent)
        elif (title == name if wm_class is None else '"%s"' % wm_class in cls) and \
                "IsViewable" in _run("xwininfo", "-id", wid):
            found.append(Window(wid, int(x), int(y), int(w), int(h), panel_indent is not None))
    return found


def _top_level(name, tooltip, min_width):
    for window in _windows(name):
        is_tooltip = "TOOLTIP" in _run("xprop", "-id", window.id, "_NET_WM_WINDOW_TYPE")
        if not window.in_tray and window.width > min_width and is_tooltip == tooltip:
            return window
    return None


def windows_in(wm_class, in_tray):
    """The viewable windows of wm_class over 4 pixels each way, in the tray or outside it."""
    return [w for w in _windows(None, wm_class)
            if w.in_tray == in_tray and min(w.width, w.height) > 4]


def tray_icon(name):
    """The program's icon, embedded in the tray and mapped, or None."""
    return next((w for w in _windows(name) if w.in_tray and w.width > 1), None)


def balloon(name):
    """The program's balloon while it shows, or None."""
    return _top_level(name, True, 1)


def settled_balloon(name, settle=0.3):
    """The program's balloon once the same window has shown for settle seconds, or None.

    Posting a balloon again replaces its window: the one shown first can vanish within
    milliseconds, before anything clicks it."""
    first = balloon(name)
    if first is None:
        return None
    time.sleep(settle)
    again = balloon(name)
    return again if again is not None and again.id == first.id else None


def popup_menu(name):
    """A showing top-level window of the program other than its balloon: the context menu."""
    return _top_level(name, False, 3)


def windows_of_class(wm_class, min_size=2, field="--class"):
    """Every viewable window of class wm_class (with field "--name": of that title) at least
    min_size wide and high, with its absolute geometry (in_tray is left False)."""
    found = []
    for wid in _run("xdotool", "search", "--onlyvisible", field, "^%s$" % wm_class).split():
        info = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)$",
                               _run("xwininfo", "-id", wid), re.M))
        if len(info) == 4 and min(int(info["Width"]), int(info["Height"])) >= min_size:
            found.append(Window(wid, int(info["Absolute upper-left X"]),
                                int(info["Absolute upper-left Y"]), int(info["Width"]),
                                int(info["Height"]), False))
    return found


def window_type(window):
    """The window's _NET_WM_WINDOW_TYPE, as xprop prints it."""
    return _run("xprop", "-id", window.id, "_NET_WM_WINDOW_TYPE")


def text_of(window, scale=100):
    """The text the screen shows inside window, as tesseract reads it, blanks folded. Small
    text reads better enlarged (scale in percent), at a cost in time."""
    with tempfile.TemporaryDirectory() as work:
        shot = os.path.join(work, "shot.png")
        subprocess.run(["import", "-window", "root", "-crop", "%dx%d+%d+%d" % (
            window.width, window.height, window.x, window.y), "+repage", "-colorspace", "Gray",
            "-resize", "%d%%" % scale, shot], check=True)
        # One block, so that no line is dropped; one thread, as the machine is busy with the
        # desktops under test.
        text = subprocess.run(["tesseract", shot, "-", "--psm", "6"], capture_output=True,
                              text=True, env=dict(os.environ, OMP_THREAD_LIMIT="1")).stdout
    return " ".join(text.split())


def wait_for(probe, timeout):
    deadline = time.monotonic() + timeout
    while not (result := probe()) and time.monotonic() < deadline:
        time.sleep(0.05)
    return result


def click(window, x, y, button, repeat=1):
    """Moves the pointer to (x, y) inside window and clicks button (1 left, 3 right)."""
    subprocess.run(["xdotool", "mousemove", "--window", window.id, str(x), str(y),
                    "click", "--repeat", str(repeat), str(button)], check=True)


def rgba(image_path, crop=None):
    """The pixels of an image (or of the crop "WxH+X+Y" of it) as rows of RGBA tuples."""
    command = ["convert", image_path] + (["-crop", crop, "+repage"] if crop else [])
    width = int(_run(*command, "-format", "%w", "info:"))
    raw = subprocess.run(command + ["-depth", "8", "rgba:-"], capture_output=True,
                         check=True).stdout
    pixels = [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]
    return [pixels[i:i + width] for i in range(0, len(pixels), width)]


def contains_image(screen_path, region, icon_path, tolerance=8, share=1.0):
    """Whether at least share of the opaque pixels of the icon (all of them by default)
    appear, at one offset, inside region (a Window) of the screenshot."""
    area = rgba(screen_path, "%dx%d+%d+%d" % (region.width, region.height, region.x, region.y))
    icon = rgba(icon_path)
    opaque = [(x, y, p) for y, row in enumerate(icon) for x, p in enumerate(row) if p[3] == 255]
    allowed = int(len(opaque) * (1.0 - share))

    def matches(dx, dy):
        misses = 0
        for x, y, p in opaque:
            if max(abs(a - b) for a, b in zip(area[y + dy][x + dx][:3], p[:3])) > tolerance:
                misses += 1
                if misses > allowed:
                    return False
        return True

    return bool(opaque) and any(matches(dx, dy)
                                for dy in range(len(area) - len(icon) + 1)
                                for dx in range(len(area[0]) - len(icon[0]) + 1))

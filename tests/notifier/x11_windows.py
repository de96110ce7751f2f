"""Finds and clicks the windows of a tray program on the X display in $DISPLAY, through
the x11-utils and xdotool command-line tools.

With Qt's own X11 tray the program has three kinds of windows, all carrying its name:
the icon (reparented into the tray host's "panel" window), the balloon (a top-level
window of type TOOLTIP) and, once opened, the context menu (another top-level window)."""

import re
import subprocess
import time

_TREE_LINE = re.compile(
    r'^(?P<indent>\s*)(?P<id>0x[0-9a-f]+) (?:"(?P<name>[^"]*)"|\(has no name\)): '
    r'\((?P<cls>[^)]*)\)\s+(?P<w>\d+)x(?P<h>\d+)[+-]-?\d+[+-]-?\d+\s+\+(?P<x>-?\d+)\+(?P<y>-?\d+)'
)


class Window:
    def __init__(self, wid, name, x, y, width, height, in_tray):
        self.id, self.name = wid, name
        self.x, self.y, self.width, self.height = x, y, width, height
        self.in_tray = in_tray

    def __repr__(self):
        return "Window(%s %r %dx%d+%d+%d%s)" % (
            self.id, self.name, self.width, self.height, self.x, self.y,
            " in tray" if self.in_tray else "")


def _run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=False).stdout


def windows(name):
    """Every window called name, top-level or not, with its absolute geometry."""
    found = []
    panel_indent = None
    for line in _run("xwininfo", "-root", "-tree").splitlines():
        match = _TREE_LINE.match(line)
        if not match:
            continue
        indent = len(match.group("indent"))
        if panel_indent is not None and indent <= panel_indent:
            panel_indent = None
        if match.group("name") == "panel" and "trayer" in match.group("cls"):
            panel_indent = indent
            continue
        if match.group("name") == name:
            found.append(Window(match.group("id"), name, int(match.group("x")),
                                int(match.group("y")), int(match.group("w")),
                                int(match.group("h")), panel_indent is not None))
    return found


def is_viewable(window):
    return "IsViewable" in _run("xwininfo", "-id", window.id)


def window_type(window):
    return _run("xprop", "-id", window.id, "_NET_WM_WINDOW_TYPE")


def tray_icon(name):
    """The program's icon, embedded in the tray and mapped, or None."""
    for window in windows(name):
        if window.in_tray and window.width > 1 and is_viewable(window):
            return window
    return None


def balloon(name):
    """The program's balloon while it shows, or None."""
    for window in windows(name):
        if (not window.in_tray and window.width > 1 and "TOOLTIP" in window_type(window)
                and is_viewable(window)):
            return window
    return None


def popup_menu(name):
    """A showing top-level window of the program other than its balloon: the context menu."""
    for window in windows(name):
        if (not window.in_tray and window.width > 3 and is_viewable(window)
                and "TOOLTIP" not in window_type(window)):
            return window
    return None


def wait_for(probe, timeout, interval=0.05):
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result or time.monotonic() >= deadline:
            return result
        time.sleep(interval)


def click(window, x, y, button):
    """Moves the pointer to (x, y) inside window and clicks button (1 left, 3 right)."""
    subprocess.run(["xdotool", "mousemove", "--window", window.id, str(x), str(y),
                    "click", str(button)], check=True)


def screenshot(path):
    subprocess.run(["import", "-window", "root", path], check=True)


def rgba(image_path, crop=None):
    """The pixels of an image (or of the crop "WxH+X+Y" of it) as (width, rows of RGBA
    tuples), read through ImageMagick."""
    command = ["convert", image_path]
    if crop:
        command += ["-crop", crop, "+repage"]
    size = _run(*(command + ["-format", "%w %h", "info:"])).split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(command + ["-depth", "8", "rgba:-"], capture_output=True,
                         check=True).stdout
    rows = []
    for row in range(height):
        line = raw[row * width * 4:(row + 1) * width * 4]
        rows.append([tuple(line[i:i + 4]) for i in range(0, len(line), 4)])
    return width, rows


def contains_image(screen_path, region, icon_path, tolerance=8):
    """Whether every opaque pixel of the icon appears, at one offset, inside region (a
    Window) of the screenshot."""
    _, area = rgba(screen_path, "%dx%d+%d+%d" % (region.width, region.height,
                                                 region.x, region.y))
    icon_width, icon = rgba(icon_path)
    opaque = [(x, y, p) for y, row in enumerate(icon) for x, p in enumerate(row) if p[3] == 255]
    if not opaque:
        return False
    for dy in range(len(area) - len(icon) + 1):
        for dx in range(len(area[0]) - icon_width + 1):
            if all(max(abs(a - b) for a, b in zip(area[y + dy][x + dx][:3], p[:3])) <= tolerance
                   for x, y, p in opaque):
                return True
    return False

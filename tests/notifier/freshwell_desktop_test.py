"""Freshwell on a desktop whose tray is a StatusNotifierItem host (run under
with-tray-host.sh --xfce-panel DAEMON): the session bus is watched as a monitor, the
daemon's popups and the panel are clicked with xdotool. ctest sets the environment of
freshwell_window_test.py and NOTIFICATION_DAEMON (xfce4-notifyd or dunst)."""

import os
import subprocess
import sys
import unittest

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import freshwell_window_test as window_test  # noqa: E402
import x11_windows as x11  # noqa: E402

NOTIFICATIONS = "org.freedesktop.Notifications"
WATCHER = "org.kde.StatusNotifierWatcher"
TITLE = "Updates available!"
TEXT = ("There are 2 updates available for your Corvanta Standard Server installation.\n\n"
        "Right-click the tray icon to download and install.")
DAEMON = os.environ.get("NOTIFICATION_DAEMON", "")
# What a user does to act on a popup: xfce4-notifyd 0.7.3 only acts through its buttons
# (a click elsewhere dismisses), dunst acts on a middle click (a left click dismisses).
POPUP_CLASS, POPUP_BUTTON = {"xfce4-notifyd": ("xfce4-notifyd", 1), "dunst": ("Dunst", 2),
                              "none": (None, None)}[DAEMON]


def call(destination, path, interface, method, signature=None, args=()):
    bus = Gio.bus_get_sync(Gio.BusType.SESSION)
    parameters = GLib.Variant(signature, args) if signature else None
    reply = bus.call_sync(destination, path, interface, method, parameters, None, 0, 5000)
    return reply.unpack() if reply else ()


class BusMonitor:
    """Records (member, sender, body) of every notification call and signal and every call
    to a StatusNotifierItem on the session bus."""

    def __init__(self):
        self.messages = []
        self.connection = Gio.DBusConnection.new_for_address_sync(
            os.environ["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.connection.add_filter(self.record)
        rules = ["interface='%s'" % NOTIFICATIONS, "interface='org.kde.StatusNotifierItem'"]
        self.connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus.Monitoring", "BecomeMonitor",
                                  GLib.Variant("(asu)", (rules, 0)), None, 0, 5000)

    def record(self, _connection, message, incoming):
        """Runs in GDBus's worker thread. Keeps the calls and signals seen from GDBus, which
        would answer them; passes our own messages and the replies on."""
        if not incoming or message.get_message_type() not in (
                Gio.DBusMessageType.METHOD_CALL, Gio.DBusMessageType.SIGNAL):
            return message
        body = message.get_body()
        self.messages.append((message.get_member(), message.get_sender(),
                              body.unpack() if body else ()))
        return None

    def seen(self, member, sender=None):
        return [body for name, by, body in list(self.messages)
                if name == member and sender in (None, by)]


class FreshwellDesktopTest(window_test.FreshwellRun):
    def start(self):
        """Starts Freshwell with server version 9.1; waits for its item and its two
        postings, and returns their arguments."""
        self.bus = BusMonitor()
        self.addCleanup(self.bus.connection.close_sync)
        self.launch("--server", "9.1")
        self.assertTrue(x11.wait_for(self.registered_items, 15), "no StatusNotifierItem")
        posts = x11.wait_for(lambda: len(self.bus.seen("Notify")) == 2 and
                             self.bus.seen("Notify"), 5)
        self.assertTrue(posts, "no notification posted twice")
        return posts

    def start_with_popup(self):
        posts = self.start()
        self.sender = [s for m, s, _ in self.bus.messages if m == "Notify"][0]
        self.popup = x11.wait_for(lambda: x11.windows_of_class(POPUP_CLASS, 20), 5)
        self.assertTrue(self.popup, "the daemon shows no popup")
        return posts

    def registered_items(self):
        return call(WATCHER, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                    "(ss)", (WATCHER, "RegisteredStatusNotifierItems"))[0]

    def act_on_popup(self, popup):
        """Clicks where the daemon acts: the rightmost button, or anywhere."""
        x11.click(popup, popup.width - 50, popup.height - 25, POPUP_BUTTON)

    def settled(self):
        """Waits until Freshwell has handled everything sent to it before this call."""
        items = self.registered_items()
        self.assertEqual(len(items), 1, "the icon left the tray")
        # Qt's item ("<bus name>/<path>") answers from the program's event loop, on the
        # connection where Qt itself listens for notification signals.
        name, path = items[0].split("/", 1)
        call(name, "/" + path, "org.freedesktop.DBus.Properties", "Get", "(ss)",
             ("org.kde.StatusNotifierItem", "Status"))

    def panel_item(self):
        """The systray plugin's window in the panel, which shows only Freshwell's item."""
        panel = x11.windows_of_class("xfce4-panel", 20)[0]
        return next(w for w in x11.windows_of_class("wrapper-2.0", 16)
                    if panel.y <= w.y < panel.y + panel.height)

    def open_menu(self):
        item = self.panel_item()
        x11.click(item, item.width // 2, item.height // 2, 3)
        menu = x11.wait_for(lambda: [w for w in x11.windows_of_class("wrapper-2.0", 20)
                                     if w.y + w.height <= self.panel_item().y], 5)
        self.assertTrue(menu, "no menu on a right click")
        return menu[0]

    def assert_untouched(self):
        self.settled()
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])

    def assert_installed_once(self, notification_id):
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=9.1"])
        self.assertTrue(x11.wait_for(lambda: not self.registered_items(), 5),
                        "the icon stayed in the tray")
        self.assertIn((notification_id,), self.bus.seen("CloseNotification", self.sender))
        self.assertFalse(x11.wait_for(lambda: len(self.installer_calls()) > 1, 1))
        self.assertTrue(self.alive())

    def test_one_notification_and_a_click_on_it_installs(self):
        first, second = self.start_with_popup()
        icon = x11._rgba(window_test.ICONS[-1])
        hints = first[6]
        self.assertEqual(hints["image-data"][:6], (48, 48, 48 * 4, True, 8, 4))
        self.assertEqual(bytes(hints["image-data"][6]),
                         b"".join(bytes(p) for row in icon for p in row))
        self.assertEqual(first[:6] + first[7:], (
            "Freshwell", 0, "freshwell", TITLE, TEXT,
            ["default", "", "install", "Install updates"], 5000))
        notification_id = second[1]
        self.assertNotEqual(notification_id, 0, "the second posting does not replace the first")
        self.assertEqual(second[:1] + second[2:], first[:1] + first[2:])
        self.assertEqual(len(x11.windows_of_class(POPUP_CLASS, 20)), 1)

        self.act_on_popup(self.popup[0])
        invoked = x11.wait_for(lambda: self.bus.seen("ActionInvoked"), 5)
        self.assertEqual([i[0] for i in invoked], [notification_id])
        self.assert_installed_once(notification_id)

    def test_others_notifications_start_nothing_and_menu_installs(self):
        notification_id = self.start_with_popup()[1][1]
        # Closing Freshwell's notification from outside leaves only the other one to click.
        call(NOTIFICATIONS, "/org/freedesktop/Notifications", NOTIFICATIONS,
             "CloseNotification", "(u)", (notification_id,))
        self.assertTrue(x11.wait_for(lambda: not x11.windows_of_class(POPUP_CLASS, 20), 5))
        mail = subprocess.Popen(["notify-send", "-A", "default=Open", "Mail", "New message"],
                                stdout=subprocess.PIPE, text=True)
        self.addCleanup(mail.kill)
        popup = x11.wait_for(lambda: x11.windows_of_class(POPUP_CLASS, 20), 5)
        self.assertTrue(popup)
        self.act_on_popup(popup[0])
        invoked = x11.wait_for(lambda: self.bus.seen("ActionInvoked"), 5)
        self.assertTrue(invoked)
        self.assertNotIn(notification_id, [i[0] for i in invoked])
        self.assertEqual(mail.communicate(timeout=5)[0].strip(), "default")
        self.assert_untouched()

        menu = self.open_menu()
        x11.click(menu, 30, 15, 1)
        self.assert_installed_once(notification_id)

    def test_left_click_does_nothing_and_quit_exits_zero(self):
        notification_id = self.start_with_popup()[1][1]
        item = self.panel_item()
        x11.click(item, item.width // 2, item.height // 2, 1)
        self.assertTrue(x11.wait_for(lambda: self.bus.seen("Activate"), 5),
                        "the panel did not pass the left click on")
        self.assert_untouched()

        menu = self.open_menu()
        x11.click(menu, 30, menu.height - 15, 1)
        self.assertEqual(self.program.wait(5), 0)
        self.assertEqual(self.installer_calls(), [])
        self.assertIn((notification_id,), self.bus.seen("CloseNotification", self.sender))

    def test_without_a_notification_server_the_tray_icon_posts_its_message(self):
        posts = self.start()
        # Qt's own postings, as on any tray: no actions, 1 ms, then 5000 ms.
        self.assertEqual([(p[3], p[4], p[5], p[7]) for p in posts],
                         [(TITLE, TEXT, [], 1), (TITLE, TEXT, [], 5000)])
        self.assertTrue(self.bus.seen("GetCapabilities"))
        self.assertTrue(self.alive())


if __name__ == "__main__":
    unittest.main()

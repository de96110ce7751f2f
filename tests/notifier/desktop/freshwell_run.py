"""Freshwell finding the sample catalog's two updates on real desktops, clicked with xdotool:
FreshwellWindowTest where Qt draws its own balloons (with-tray-host.sh), FreshwellDesktopTest on
a StatusNotifierItem host (--xfce-panel DAEMON) with the session bus watched as a monitor, and
FreshwellScriptedTest (--session-bus) against a tray watcher and a notification server that the
test plays itself: they hang, answer late or restart.
ctest sets FRESHWELL, ARTIFACT_DIR (where the screenshot stays) and NOTIFICATION_DAEMON."""

import os
import pathlib
import subprocess
import sys
import tempfile
import threading
import time
import unittest

import gi

gi.require_version("Gio", "2.0")
from gi.repository import Gio, GLib  # noqa: E402

SOURCE = os.path.join(os.path.dirname(__file__), "..", "..")
sys.path.insert(0, os.path.join(SOURCE, "localservices", "desktop"))
import x11_windows as x11  # noqa: E402

APP = "Freshwell"
MENU_FIRST_ENTRY = (30, 10)  # "&Install updates", at the top of the menu
# The icon at each size it comes in; the tray shows the one that fits its height.
ICONS = [os.path.join(SOURCE, "notifier", "Freshwell%d.png" % size)
         for size in (16, 22, 24, 32, 48)]
NOTIFICATIONS = "org.freedesktop.Notifications"
WATCHER = "org.kde.StatusNotifierWatcher"
TITLE = "Updates available!"
TEXT = ("There are 2 updates available for your Corvanta Standard Server installation.\n\n"
        "Right-click the tray icon to download and install.")
# What a user does to act on a popup: xfce4-notifyd 0.7.3 only acts through its buttons
# (a click elsewhere dismisses), dunst acts on a middle click (a left click dismisses).
POPUP_CLASS, POPUP_BUTTON = {"xfce4-notifyd": ("xfce4-notifyd", 1), "dunst": ("Dunst", 2),
                              "none": (None, None)}[os.environ.get("NOTIFICATION_DAEMON", "none")]


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
        self.assertFalse(x11.wait_for(lambda: not self.alive(), 0.5), "ended after the install")

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
        # Nothing may come of them: give a wrong reaction a second to show.
        self.assertFalse(x11.wait_for(lambda: not self.alive() or self.installer_calls(), 1.0))
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


def call(destination, path, interface, method, signature, args, timeout=5000):
    return Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
        destination, path, interface, method, GLib.Variant(signature, args), None, 0,
        timeout).unpack()


class FreshwellDesktopTest(FreshwellRun):
    def watch_bus(self):
        """Records (member, sender, body) of notification calls and signals and item calls, and
        the answers to Notify as ("NotifyReply", the caller, body)."""
        self.messages = []
        self.notify_calls = set()
        monitor = Gio.DBusConnection.new_for_address_sync(
            os.environ["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        self.addCleanup(monitor.close_sync)
        monitor.add_filter(self.record)
        rules = ["interface='%s'" % NOTIFICATIONS, "interface='org.kde.StatusNotifierItem'",
                 "type='method_return'"]
        monitor.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                          "org.freedesktop.DBus.Monitoring", "BecomeMonitor",
                          GLib.Variant("(asu)", (rules, 0)), None, 0, 5000)

    def record(self, connection, message, incoming):
        """Runs in GDBus's worker thread. Keeps the calls and signals seen from GDBus, which
        would answer them; passes our own messages and the replies on."""
        kind = message.get_message_type()
        if not incoming or kind not in (Gio.DBusMessageType.METHOD_CALL,
                                        Gio.DBusMessageType.SIGNAL,
                                        Gio.DBusMessageType.METHOD_RETURN):
            return message
        body = message.get_body()
        member = message.get_member()
        if kind == Gio.DBusMessageType.METHOD_RETURN:
            if message.get_destination() == connection.get_unique_name():
                return message  # BecomeMonitor's
            if (message.get_destination(), message.get_reply_serial()) not in self.notify_calls:
                return None
            member, by = "NotifyReply", message.get_destination()
        else:
            by = message.get_sender()
            if member == "Notify":
                self.notify_calls.add((by, message.get_serial()))
        self.messages.append((member, by, body.unpack() if body else ()))
        return None

    def seen(self, member, sender=None):
        return [body for name, by, body in list(self.messages)
                if name == member and sender in (None, by)]

    def start(self, postings=1):
        """Freshwell with server version 9.1: the arguments of its postings, once shown."""
        self.watch_bus()
        self.launch("--server", "9.1")
        self.assertTrue(x11.wait_for(self.registered_items, 15), "no StatusNotifierItem")
        posts = x11.wait_for(lambda: len(self.seen("Notify")) >= postings and self.seen("Notify"),
                             5)
        self.assertTrue(posts, "not posted")
        self.sender = next(by for name, by, _ in self.messages if name == "Notify")
        if POPUP_CLASS:
            self.assertTrue(x11.wait_for(self.popups, 5), "the daemon shows no popup")
        return posts

    def registered_items(self):
        return call(WATCHER, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
                    "(ss)", (WATCHER, "RegisteredStatusNotifierItems"))[0]

    def popups(self):
        return x11.windows_of_class(POPUP_CLASS, 20)

    def act_on_popup(self, popup):
        x11.click(popup, popup.width - 50, popup.height - 25, POPUP_BUTTON)

    def panel_item(self):
        """The systray plugin's window in the panel, which shows only Freshwell's item, or None."""
        panel = x11.windows_of_class("xfce4-panel", 20)[0]
        return next((w for w in x11.windows_of_class("wrapper-2.0", 16)
                     if panel.y <= w.y < panel.y + panel.height), None)

    def assert_untouched(self):
        """Waits until Freshwell has handled everything sent to it, then checks it did nothing."""
        items = self.registered_items()
        self.assertEqual(len(items), 1, "the icon left the tray")
        # Qt's item ("<bus name>/<path>") answers from the program's event loop, on the
        # connection where Qt itself listens for notification signals.
        name, path = items[0].split("/", 1)
        call(name, "/" + path, "org.freedesktop.DBus.Properties", "Get", "(ss)",
             ("org.kde.StatusNotifierItem", "Status"))
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])

    def test_one_notification_and_a_click_on_it_installs(self):
        self.start()
        (notification_id,) = x11.wait_for(lambda: self.seen("NotifyReply"), 5)[0]
        (post,) = self.seen("Notify")  # one posting, for the second balloon's time
        image = post[6]["image-data"]
        self.assertEqual(image[:6], (48, 48, 48 * 4, True, 8, 4))
        self.assertEqual(bytes(image[6]),
                         b"".join(bytes(p) for row in x11.rgba(ICONS[-1]) for p in row))
        self.assertEqual(post[:6] + post[7:], (
            "Freshwell", 0, "freshwell", TITLE, TEXT,
            ["default", "", "install", "Install updates"], 5000))
        self.assertEqual(len(self.popups()), 1)

        self.act_on_popup(self.popups()[0])
        invoked = x11.wait_for(lambda: self.seen("ActionInvoked"), 5)
        self.assertEqual([i[0] for i in invoked], [notification_id])
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=9.1"])
        self.assertTrue(x11.wait_for(lambda: not self.registered_items(), 5),
                        "the icon stayed in the tray")
        self.assertIn((notification_id,), self.seen("CloseNotification", self.sender))
        self.assertFalse(x11.wait_for(lambda: len(self.installer_calls()) > 1, 1))
        self.assertTrue(self.alive())

    def test_left_click_and_others_notifications_do_nothing_and_quit_exits_zero(self):
        self.start()
        (notification_id,) = x11.wait_for(lambda: self.seen("NotifyReply"), 5)[0]

        def left_click_passed_on():
            item = self.panel_item()
            if item is None:
                return False
            x11.click(item, item.width // 2, item.height // 2, 1)
            return x11.wait_for(lambda: self.seen("Activate"), 1)

        # The panel may show the item late, or its plugin before the item's button in it; a
        # left click does nothing, so another one does no harm.
        self.assertTrue(x11.wait_for(left_click_passed_on, 10), "the panel passed no left click on")
        self.assert_untouched()

        # Closing Freshwell's notification from outside leaves only the other one to click.
        call(NOTIFICATIONS, "/org/freedesktop/Notifications", NOTIFICATIONS,
             "CloseNotification", "(u)", (notification_id,))
        self.assertTrue(x11.wait_for(lambda: not self.popups(), 5))
        mail = subprocess.Popen(["notify-send", "-A", "default=Open", "Mail", "New message"],
                                stdout=subprocess.PIPE, text=True)
        self.addCleanup(mail.kill)
        popup = x11.wait_for(self.popups, 5)
        self.assertTrue(popup)
        self.act_on_popup(popup[0])
        invoked = x11.wait_for(lambda: self.seen("ActionInvoked"), 5)
        self.assertTrue(invoked)
        self.assertNotIn(notification_id, [i[0] for i in invoked])
        self.assertEqual(mail.communicate(timeout=5)[0].strip(), "default")
        self.assert_untouched()

        item = self.panel_item()
        x11.click(item, item.width // 2, item.height // 2, 3)
        menu = x11.wait_for(lambda: [w for w in x11.windows_of_class("wrapper-2.0", 20)
                                     if w.y + w.height <= item.y], 5)
        self.assertTrue(menu, "no menu on a right click")
        x11.click(menu[0], 30, menu[0].height - 15, 1)  # "&Quit", at the bottom
        self.assertEqual(self.program.wait(5), 0)
        self.assertEqual(self.installer_calls(), [])
        # The server's NotificationClosed ended it: nothing is left for Freshwell to close.
        self.assertEqual(self.seen("CloseNotification", self.sender), [])

    def test_without_a_notification_server_the_tray_icon_posts_its_message(self):
        posts = self.start(postings=2)
        # Qt's own postings, as on any tray: no actions, 1 ms, then 5000 ms.
        self.assertEqual([(p[3], p[4], p[5], p[7]) for p in posts],
                         [(TITLE, TEXT, [], 1), (TITLE, TEXT, [], 5000)])
        self.assertTrue(self.seen("GetCapabilities"))
        self.assertTrue(self.alive())


WATCHER_XML = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
</interface></node>"""


class ScriptedService:
    """Owns a bus name on a connection of its own and answers each method call with
    answers[member](sender, args): a reply body, or None to hold the call (in held)."""

    def __init__(self, test, name, answers):
        self.answers = answers
        self.calls = []  # (member, sender, args, time)
        self.held = []
        self.connection = Gio.DBusConnection.new_for_address_sync(
            os.environ["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT
            | Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION)
        test.addCleanup(self.close)
        self.connection.add_filter(self.answer)
        self.connection.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "RequestName",
                                  GLib.Variant("(su)", (name, 4)), None, 0, 5000)

    def answer(self, _connection, message, incoming):
        """Runs in GDBus's worker thread."""
        if not incoming or message.get_message_type() != Gio.DBusMessageType.METHOD_CALL:
            return message
        body = message.get_body()
        call = (message.get_member(), message.get_sender(), body.unpack() if body else ())
        reply = self.answers[call[0]](*call[1:])
        self.held.append(message) if reply is None else self.reply(message, reply)
        self.calls.append(call + (time.monotonic(),))
        return None

    def reply(self, message, body):
        reply = message.new_method_reply()
        reply.set_body(body)
        self.connection.send_message(reply, Gio.DBusSendMessageFlags.NONE)

    def seen(self, member, sender=None):
        """The arguments of each such call, with its time."""
        return [(args, at) for name, by, args, at in list(self.calls)
                if name == member and sender in (None, by)]

    def emit(self, member, signature, args):
        self.connection.emit_signal(None, "/org/freedesktop/Notifications", NOTIFICATIONS,
                                    member, GLib.Variant(signature, args))

    def close(self):
        if not self.connection.is_closed():
            self.connection.close_sync()


class FreshwellScriptedTest(FreshwellRun):
    def start(self, notify, watcher_hangs=False):
        """Freshwell against a scripted watcher and a notification server whose Notify answers
        the id notify(sender, args) gives (None holds it); returns the server once Freshwell
        posted its own notification."""
        asked = set()

        def host_registered(sender, _):
            # Qt asks once on each connection it makes; what is asked again meets a hung watcher.
            if watcher_hangs and sender in asked:
                return None
            asked.add(sender)
            return GLib.Variant("(v)", (GLib.Variant("b", True),))

        self.watcher = ScriptedService(self, WATCHER, {
            "Introspect": lambda *_: GLib.Variant("(s)", (WATCHER_XML,)),
            "Get": host_registered, "RegisterStatusNotifierItem": lambda *_: GLib.Variant("()", ())})
        server = self.notification_server(notify)
        self.launch("--server", "9.1")
        item = x11.wait_for(lambda: self.watcher.seen("RegisterStatusNotifierItem"), 15)
        self.assertTrue(item, "no StatusNotifierItem")
        self.item = item[0][0][0]
        self.assertLess(item[0][1] - self.watcher.calls[0][3], 1.0, "waited for the watcher")
        self.assertTrue(x11.wait_for(lambda: self.own_posts(server), 5), "no own notification")
        return server

    def notification_server(self, notify):
        return ScriptedService(self, NOTIFICATIONS, {
            "GetCapabilities": lambda *_: GLib.Variant("(as)", (["actions", "body"],)),
            "Notify": lambda *call: (i := notify(*call)) and GLib.Variant("(u)", (i,)),
            "CloseNotification": lambda *_: None})  # that one hangs

    def own_posts(self, server):
        """The arguments of Freshwell's own postings (Qt's carry no actions)."""
        posts = [(by, args) for name, by, args, _ in list(server.calls)
                 if name == "Notify" and args[5]]
        self.sender = posts[0][0] if posts else None
        return [args for _, args in posts]

    def assert_responsive(self):
        """Freshwell's event loop answers for its icon within half a second."""
        try:
            call(self.item, "/StatusNotifierItem", "org.freedesktop.DBus.Properties", "Get",
                 "(ss)", ("org.kde.StatusNotifierItem", "Status"), 500)
        except GLib.Error as error:
            self.fail("the GUI thread was held up: %s" % error.message)

    def assert_click_installs(self, server, notification_id):
        server.emit("ActionInvoked", "(us)", (notification_id, "default"))
        # The server's CloseNotification hangs, and must hold up nothing.
        self.assertEqual(x11.wait_for(self.installer_calls, 1), ["--server=9.1"])
        self.assertTrue(x11.wait_for(lambda: server.seen("CloseNotification", self.sender), 1))
        self.assertEqual([args for args, _ in server.seen("CloseNotification")],
                         [(notification_id,)])
        self.assertFalse(x11.wait_for(lambda: len(self.installer_calls()) > 1, 0.5))

    def test_late_notify_reply_gives_the_id_and_nothing_waits(self):
        # The posting is held, as by a hung server.
        server = self.start(lambda _, args: args[1] or None)
        answer_at = time.monotonic() + 3.5  # as a cold start may; longer than any short time-out
        while time.monotonic() < answer_at:
            self.assert_responsive()
            time.sleep(0.25)
        self.assertEqual(len(self.own_posts(server)), 1)
        server.reply(server.held[0], GLib.Variant("(u)", (41,)))
        self.assert_click_installs(server, 41)

    def test_restarted_server_reusing_ids(self):
        first = self.start(lambda *_: 1)
        self.assertTrue(x11.wait_for(lambda: len(self.own_posts(first)) == 1, 5))
        # Only the server that gave the id speaks for it.
        stranger = Gio.bus_get_sync(Gio.BusType.SESSION)
        stranger.emit_signal(None, "/org/freedesktop/Notifications", NOTIFICATIONS,
                             "ActionInvoked", GLib.Variant("(us)", (1, "default")))
        stranger.flush_sync()
        self.assertFalse(x11.wait_for(self.installer_calls, 0.5), "a stranger's signal counts")
        first.close()
        # The new server counts from 1 again and gives that to another program first.
        second = self.notification_server(lambda sender, _: 7 if sender == self.sender else 1)
        call(NOTIFICATIONS, "/org/freedesktop/Notifications", NOTIFICATIONS, "Notify",
             "(susssasa{sv}i)", ("Mail", 0, "", "Mail", "New message", ["default", ""], {}, -1))
        reposted = x11.wait_for(lambda: second.seen("Notify", self.sender), 1)
        second.emit("ActionInvoked", "(us)", (1, "default"))
        # Freshwell would also close that other notification (before starting the installer).
        self.assertFalse(x11.wait_for(lambda: self.installer_calls() or second.seen(
            "CloseNotification"), 1), "another program's click counts as Freshwell's")
        self.assertTrue(reposted, "not posted to the new server")
        self.assertEqual(reposted[0][0][1:5], (0, "freshwell", TITLE, TEXT))
        self.assert_click_installs(second, 7)

    def test_watcher_hung_for_all_but_qt_and_quit_without_waiting(self):
        server = self.start(lambda *_: 5, watcher_hangs=True)
        self.assertTrue(x11.wait_for(lambda: len(self.own_posts(server)) == 1, 5))
        # Quit from the icon's menu, as the panel would send it.
        _, (_, _, entries) = call(self.item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                                  "(iias)", (0, -1, []))
        quit_id = next(entry[0] for entry in entries if entry[1].get("label") == "_Quit")
        call(self.item, "/MenuBar", "com.canonical.dbusmenu", "Event", "(isvu)",
             (quit_id, "clicked", GLib.Variant("s", ""), 0))
        self.assertEqual(self.program.wait(1), 0)
        self.assertTrue(x11.wait_for(lambda: server.seen("CloseNotification", self.sender), 1))
        self.assertEqual(self.installer_calls(), [])


if __name__ == "__main__":
    unittest.main()

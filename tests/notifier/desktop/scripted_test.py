"""Freshwell against a tray watcher and a notification server that the test plays itself on a
bare session bus (with-tray-host.sh --session-bus): they hang, answer late or restart."""

import time
import unittest

from freshwell_run import NOTIFICATIONS, TEXT, TITLE, WATCHER, FreshwellRun, on, x11
from session_bus import Gio, GLib, ScriptedService, call, menu_click

WATCHER_XML = """<node><interface name="org.kde.StatusNotifierWatcher">
  <method name="RegisterStatusNotifierItem"><arg type="s" direction="in"/></method>
  <property name="IsStatusNotifierHostRegistered" type="b" access="read"/>
</interface></node>"""


@on("session-bus")
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

        self.watcher = self.service(WATCHER, "/StatusNotifierWatcher", {
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

    def service(self, *arguments):
        service = ScriptedService(*arguments)
        self.addCleanup(service.close)
        return service

    def notification_server(self, notify):
        return self.service(NOTIFICATIONS, "/org/freedesktop/Notifications", {
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
        menu_click(self.item, "/MenuBar", "Quit")
        self.assertEqual(self.program.wait(1), 0)
        self.assertTrue(x11.wait_for(lambda: server.seen("CloseNotification", self.sender), 1))
        self.assertEqual(self.installer_calls(), [])


if __name__ == "__main__":
    unittest.main()

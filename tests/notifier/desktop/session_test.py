"""Freshwell in the sessions of the desktops users run (with-desktop.sh sets DESKTOP): the
desktop's own tray and notification server, acted on the way each desktop offers, the menu
through its dbusmenu Event. The session bus is watched as a monitor. A notification is
known by what it shows: the server's own list where it has one, else the popup's text."""

import json
import os
import re
import subprocess
import unittest

from freshwell_run import ICONS, NOTIFICATIONS, TEXT, TITLE, WATCHER, FreshwellRun, on, x11
from session_bus import BusMonitor, GLib, call, menu_click

DESKTOP = os.environ.get("DESKTOP", "")
TRAYS = ("lxqt", "sway", "gnome-appindicator", "plasma", "xfce", "xfce-dunst")
ACTIONS = ["default", "", "install", "Install updates"]
TEXT_WITHOUT_TRAY = TEXT.replace("Right-click the tray icon", 'Click "Install updates"')
# Another program's notification; words that read back well off the screen.
OTHER = ("Backup finished", "All files were saved")
# The X11 class of the servers' popups. xfce4-notifyd 0.7.3 acts only through its buttons
# (a click elsewhere dismisses), dunst on a middle click (a left click dismisses).
POPUP_CLASS = {"plasma": "plasmashell", "lxqt": "lxqt-notificationd", "xfce": "xfce4-notifyd",
               "xfce-dunst": "Dunst"}


def shell(script):
    """GNOME Shell evaluates script; its JSON result."""
    ok, result = call("org.gnome.Shell", "/org/gnome/Shell", "org.gnome.Shell", "Eval", "(s)",
                      (script,))
    assert ok, script
    return json.loads(result) if result else None


def settled(probe):
    """What probe() gives once two reads in a row agree, or None."""
    reads = []

    def again():
        reads.append(probe())
        return reads[-1] if reads[-1] and reads[-2:] == [reads[-1]] * 2 else None
    return x11.wait_for(again, 5)


def folded(text):
    return " ".join(text.lower().split())


class FreshwellInSessionTest(FreshwellRun):
    def watch_bus(self):
        """Records the notification calls and signals and the item's calls."""
        self.bus = BusMonitor(["interface='%s'" % NOTIFICATIONS,
                               "interface='org.kde.StatusNotifierItem'"])
        self.addCleanup(self.bus.close)
        self.seen, self.messages = self.bus.seen, self.bus.messages

    def registered_items(self):
        """Freshwell's items, as "<bus name>/<path>" (GNOME's extension writes "<name>@/<path>"):
        lxqt-notificationd adds one of its own for notifications it closed unseen."""
        ours = []
        for item in call(WATCHER, "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties",
                         "Get", "(ss)", (WATCHER, "RegisteredStatusNotifierItems"))[0] \
                if DESKTOP != "gnome" else []:
            item = item.replace("@/", "/")
            try:
                pid = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "GetConnectionUnixProcessID", "(s)", (item.split("/")[0],))[0]
            except GLib.Error:  # gone meanwhile
                continue
            if pid == self.program.pid:
                ours.append(item)
        return ours

    def item_call(self, interface, method, signature, args):
        name, path = self.registered_items()[0].split("/", 1)
        return call(name, "/" + path, interface, method, signature, args)

    def start(self, text=TEXT, timeout=5000):
        """Freshwell's one posting once the desktop shows it alone (with its tray item unless
        there is no tray): what shown() gives for it."""
        self.watch_bus()
        self.launch("--server", "9.1")
        if DESKTOP != "gnome":
            self.assertTrue(x11.wait_for(self.registered_items, 15), "no StatusNotifierItem")
        # Read off the screen once: the popup may be gone after its 5 s.
        shown = x11.wait_for(lambda: self.shown(TITLE), 10)
        self.assertTrue(shown, "nothing shows")
        # GNOME Shell passes postings on to a helper: Freshwell's come first.
        self.sender = x11.wait_for(lambda: next(
            (by for name, by, _ in list(self.messages) if name == "Notify"), None), 5)
        self.assertTrue(x11.wait_for(lambda: self.seen("NotifyReply", self.sender), 5))
        (post,) = self.seen("Notify", self.sender)
        self.assertEqual((post[0], post[1]) + post[3:6] + post[7:],
                         ("Freshwell", 0, TITLE, text, ACTIONS, timeout))
        image = post[6]["image-data"]
        self.assertEqual(image[:6], (48, 48, 48 * 4, True, 8, 4))
        self.assertEqual(bytes(image[6]),
                         b"".join(bytes(p) for row in x11.rgba(ICONS[-1]) for p in row))
        self.assertEqual(len(shown), 1)
        self.assertEqual(self.installer_calls(), [])
        return shown[0]

    def shown(self, title):
        """Handles of the notifications the desktop shows with that title."""
        if DESKTOP == "sway":
            listed = json.loads(subprocess.run(["makoctl", "list"], capture_output=True,
                                               text=True, check=True).stdout)["data"][0]
            return [n["id"]["data"] for n in listed if n["summary"]["data"] == title]
        if DESKTOP.startswith("gnome"):
            # Once the banner has slid in.
            return shell("const t = Main.messageTray; t._notificationState == 2 && "
                         "t._banner.notification.title == %s ? [1] : []" % json.dumps(title))
        # Plasma's own windows include the desktop and the panel, which a popup covers.
        popups = [self.settled_popup(w) for w in x11.windows_of_class(POPUP_CLASS[DESKTOP], 20)
                  if not re.search("_DESKTOP|_DOCK", x11.window_type(w))]
        return [w for w in popups if w and folded(title) in folded(x11.text_of(w))]

    def settled_popup(self, window):
        """The popup once it has stopped moving and growing, or None once it has gone."""
        return settled(lambda: next((w for w in x11.windows_of_class(
            POPUP_CLASS[DESKTOP], 20) if w.id == window.id), None))

    def act(self, shown, button):
        """Presses the notification's only button, or clicks its body, once it has stopped
        moving and growing."""
        if DESKTOP == "sway":
            subprocess.run(["makoctl", "invoke", "-n", str(shown)] + (["install"] if button
                           else []), check=True)
        elif DESKTOP.startswith("gnome"):
            def box(actor):
                return shell("const a = Main.messageTray.%s; a?.mapped && "
                             "a.get_transformed_size()[0] ? [...a.get_transformed_position(), "
                             "...a.get_transformed_size()] : null" % actor)

            def point(actor):
                x, y, width, height = settled(lambda: box(actor)) or self.fail(actor)
                return [str(int(x + width / 2)), str(int(y + min(height / 2, 20)))]

            # The banner shows its buttons while the pointer rests on it.
            subprocess.run(["xdotool", "mousemove", *point("_bannerBin")], check=True)
            button_box = "_banner._buttonBox?.get_first_child()"
            target = point(button_box) if button else point("_bannerBin")
            subprocess.run(["xdotool", "mousemove", *target, "click", "1"], check=True)
        else:
            shown = self.settled_popup(shown)
            width, height = shown.width, shown.height
            x, y, mouse = {  # the only button either way on xfce4-notifyd
                "lxqt": (width // 2, height - 34 if button else 40, 1),
                "plasma": (width - 60 if button else 60, height - 19 if button else 40, 1),
                "xfce": (width - 50, height - 25, 1),
                "xfce-dunst": (width // 2, height // 2, 2)}[DESKTOP]

            def pressed():
                # Plasma's popup may show before it takes clicks; one taken ends it.
                x11.click(shown, x, y, mouse)
                return x11.wait_for(lambda: self.seen("ActionInvoked"), 1)
            self.assertTrue(x11.wait_for(pressed, 5), "the popup took no click")

    def dismiss_ours(self):
        """Takes Freshwell's notification off the screen, so that another one shows alone."""
        if DESKTOP.startswith("gnome"):
            shell("Main.messageTray._banner.notification.destroy(2)")  # as the user would
        else:
            call(NOTIFICATIONS, "/org/freedesktop/Notifications", NOTIFICATIONS,
                 "CloseNotification", "(u)", self.seen("NotifyReply", self.sender)[0])
        self.assertTrue(x11.wait_for(lambda: not self.shown(TITLE), 5))

    def menu_event(self, label):
        """Chooses the entry of the icon's menu called label."""
        menu = self.item_call("org.freedesktop.DBus.Properties", "Get", "(ss)",
                              ("org.kde.StatusNotifierItem", "Menu"))[0]
        menu_click(self.registered_items()[0].split("/", 1)[0], menu, label)

    def assert_untouched(self):
        """Waits until Freshwell has handled everything sent to it, then checks it did nothing."""
        self.assertEqual(len(self.registered_items()), 1, "the icon left the tray")
        # Qt's item answers from the program's event loop, on the connection where Qt itself
        # listens for notification signals.
        self.item_call("org.freedesktop.DBus.Properties", "Get", "(ss)",
                       ("org.kde.StatusNotifierItem", "Status"))
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])

    def assert_installed_once(self):
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=9.1"])
        self.assertTrue(x11.wait_for(lambda: not self.registered_items(), 5),
                        "the icon stayed in the tray")
        self.assertTrue(x11.wait_for(lambda: not self.shown(TITLE), 5), "a popup stayed")
        self.assertFalse(x11.windows_of_class("Freshwell", 50), "a box shows")
        self.assertFalse(x11.wait_for(lambda: len(self.installer_calls()) > 1, 1))
        self.assertTrue(self.alive())

    @on(*TRAYS)
    def test_one_notification_whose_button_installs_once(self):
        self.act(self.start(), button=True)
        self.assert_installed_once()

    @on("gnome")
    def test_without_tray_the_notification_s_button_installs_once(self):
        self.act(self.start(TEXT_WITHOUT_TRAY, 0), button=True)
        self.assert_installed_once()

    @on("gnome")
    def test_without_tray_a_dismissed_notification_ends_the_announcement(self):
        self.start(TEXT_WITHOUT_TRAY, 0)
        self.dismiss_ours()
        # From GNOME Shell and from the helper it passes them on to.
        self.assertEqual(set(x11.wait_for(lambda: self.seen("NotificationClosed"), 5)),
                         {(self.seen("NotifyReply", self.sender)[0][0], 2)})
        # Nothing installs, posts again or ends (the next check is a day away).
        self.assertFalse(x11.wait_for(lambda: len(self.seen("Notify", self.sender)) > 1, 1))
        self.assertTrue(self.alive())
        self.assertEqual(self.installer_calls(), [])

    @on(*TRAYS)
    def test_menu_install(self):
        self.start()
        self.menu_event("Install updates")
        self.assert_installed_once()

    @on(*TRAYS)
    def test_left_click_and_others_notification_start_nothing_and_menu_quit_exits_zero(self):
        self.start()
        # A left click on the icon, as the tray host passes it on.
        self.item_call("org.kde.StatusNotifierItem", "Activate", "(ii)", (0, 0))
        self.assert_untouched()
        self.dismiss_ours()
        other = subprocess.Popen(["notify-send", "-A", "default=Open", *OTHER],
                                 stdout=subprocess.PIPE, text=True)
        self.addCleanup(other.kill)
        shown = x11.wait_for(lambda: self.shown(OTHER[0]), 10)
        self.assertTrue(shown, "the other program's notification does not show")
        self.act(shown[0], button=False)
        self.assertEqual(other.communicate(timeout=5)[0].strip(), "default")
        self.assert_untouched()
        self.menu_event("Quit")
        self.assertEqual(self.program.wait(5), 0)
        self.assertEqual(self.installer_calls(), [])
        # The server's NotificationClosed ended it: nothing is left for Freshwell to close.
        self.assertEqual(self.seen("CloseNotification", self.sender), [])

    @on("xfce-none")
    def test_without_a_notification_server_the_tray_icon_posts_its_message(self):
        self.watch_bus()
        self.launch("--server", "9.1")
        self.assertTrue(x11.wait_for(self.registered_items, 15), "no StatusNotifierItem")
        # Qt's own postings, as on any tray: no actions, 1 ms, then 5000 ms.
        posts = x11.wait_for(lambda: len(self.seen("Notify")) >= 2 and self.seen("Notify"), 5)
        self.assertEqual([(p[3], p[4], p[5], p[7]) for p in posts or []],
                         [(TITLE, TEXT, [], 1), (TITLE, TEXT, [], 5000)])
        self.assertTrue(self.seen("GetCapabilities"))
        self.assertTrue(self.alive())


@on("bare")
class FreshwellWithoutTrayTest(FreshwellRun):
    def test_neither_tray_nor_notification_server_box_and_minus_one(self):
        self.launch()
        box = x11.wait_for(lambda: x11.windows_of_class("Freshwell", 50), 15)
        self.assertTrue(box, "no box")
        subprocess.run(["xdotool", "windowfocus", "--sync", box[0].id, "key", "Return"], check=True)
        self.assertEqual(self.program.wait(5), 255)
        self.assertEqual(self.installer_calls(), [])


if __name__ == "__main__":
    unittest.main()

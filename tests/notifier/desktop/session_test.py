"""Freshwell in the sessions of the desktops users run (with-desktop.sh sets DESKTOP): the
desktop's own tray and notification server, acted on the way each desktop offers, the menu
through its dbusmenu Event. ctest sets FRESHWELL."""

import json
import os
import subprocess
import unittest

from freshwell_desktop_test import (FreshwellDesktopTest, FreshwellRun, GLib, NOTIFICATIONS,
                                    TEXT, TITLE, call, x11)

DESKTOP = os.environ.get("DESKTOP", "")
ACTIONS = ["default", "", "install", "Install updates"]
TEXT_WITHOUT_TRAY = TEXT.replace("Right-click the tray icon", 'Click "Install updates"')


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


class FreshwellInSessionTest(FreshwellDesktopTest):
    def registered_items(self):
        """Freshwell's items, as "<bus name>/<path>" (GNOME's extension writes "<name>@/<path>"):
        lxqt-notificationd adds one of its own for notifications it closed unseen."""
        ours = []
        for item in super().registered_items() if DESKTOP != "gnome" else []:
            item = item.replace("@/", "/")
            try:
                pid = call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                           "GetConnectionUnixProcessID", "(s)", (item.split("/")[0],))[0]
            except GLib.Error:  # gone meanwhile
                continue
            if pid == self.program.pid:
                ours.append(item)
        return ours

    def start(self, text=TEXT, timeout=5000):
        """Freshwell's one posting once the desktop shows it alone (with its tray item unless
        there is no tray)."""
        self.watch_bus()
        self.launch("--server", "9.1")
        if DESKTOP != "gnome":
            self.assertTrue(x11.wait_for(self.registered_items, 15), "no StatusNotifierItem")
        self.assertTrue(x11.wait_for(lambda: self.shown(TITLE), 10), "nothing shows")
        # GNOME Shell passes postings on to a helper: Freshwell's come first.
        self.sender = x11.wait_for(lambda: next(
            (by for name, by, _ in list(self.messages) if name == "Notify"), None), 5)
        self.assertTrue(x11.wait_for(lambda: self.seen("NotifyReply", self.sender), 5))
        (post,) = self.seen("Notify", self.sender)
        self.assertEqual((post[0], post[1]) + post[3:6] + post[7:],
                         ("Freshwell", 0, TITLE, text, ACTIONS, timeout))
        self.assertEqual(len(self.shown(TITLE)), 1)
        self.assertEqual(self.installer_calls(), [])

    def shown(self, title):
        """Handles of the notifications the desktop shows: the server's ids where it tells
        them, else popup windows (which show no text to X11)."""
        if DESKTOP == "sway":
            listed = json.loads(subprocess.run(["makoctl", "list"], capture_output=True,
                                               text=True, check=True).stdout)["data"][0]
            return [n["id"]["data"] for n in listed if n["summary"]["data"] == title]
        if DESKTOP.startswith("gnome"):
            # Once the banner has slid in.
            return shell("const t = Main.messageTray; t._notificationState == 2 && "
                         "t._banner.notification.title == %s ? [1] : []" % json.dumps(title))
        if DESKTOP == "lxqt":
            return x11.windows_of_class("lxqt-notificationd", 50)
        # Plasma's popups stand above its panel at the right.
        return [w for w in x11.windows_of_class("plasmashell", 50) if w.x > 500 and w.y < 700]

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
            shown = settled(lambda: next((w for w in self.shown(TITLE) if w.id == shown.id), None))
            x, y = ((shown.width // 2, shown.height - 34 if button else 40) if DESKTOP == "lxqt"
                    else (shown.width - 60 if button else 60, shown.height - 19 if button else 40))

            def pressed():
                # Plasma's popup may show before it takes clicks; one taken ends it.
                x11.click(shown, x, y, 1)
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
        """Sends dbusmenu's "clicked" for the entry of the icon's menu called label."""
        name, path = self.registered_items()[0].split("/", 1)
        menu = call(name, "/" + path, "org.freedesktop.DBus.Properties", "Get", "(ss)",
                    ("org.kde.StatusNotifierItem", "Menu"))[0]
        layout = call(name, menu, "com.canonical.dbusmenu", "GetLayout", "(iias)", (0, -1, []))
        entry = next(i for i, props, _ in layout[1][2]
                     if props.get("label", "").replace("&", "").replace("_", "") == label)
        call(name, menu, "com.canonical.dbusmenu", "Event", "(isvu)",
             (entry, "clicked", GLib.Variant("i", 0), 0))

    def assert_installed_once(self):
        self.assertEqual(x11.wait_for(self.installer_calls, 5), ["--server=9.1"])
        self.assertTrue(x11.wait_for(lambda: not self.registered_items(), 5),
                        "the icon stayed in the tray")
        self.assertTrue(x11.wait_for(lambda: not self.shown(TITLE), 5), "a popup stayed")
        self.assertFalse(x11.windows_of_class("Freshwell", 50), "a box shows")
        self.assertFalse(x11.wait_for(lambda: len(self.installer_calls()) > 1, 1))
        self.assertTrue(self.alive())

    def test_one_notification_whose_button_installs_once(self):
        self.start()
        shown = self.shown(TITLE)
        self.assertEqual(len(shown), 1)
        self.act(shown[0], button=True)
        self.assert_installed_once()

    def test_without_tray_the_notification_s_button_installs_once(self):
        self.start(TEXT_WITHOUT_TRAY, 0)
        self.act(self.shown(TITLE)[0], button=True)
        self.assert_installed_once()

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

    def test_menu_install(self):
        self.start()
        self.menu_event("Install updates")
        self.assert_installed_once()

    def test_others_notification_starts_nothing_and_menu_quit_exits_zero(self):
        self.start()
        self.dismiss_ours()
        mail = subprocess.Popen(["notify-send", "-A", "default=Open", "Mail", "New message"],
                                stdout=subprocess.PIPE, text=True)
        self.addCleanup(mail.kill)
        shown = x11.wait_for(lambda: self.shown("Mail"), 10)
        self.assertTrue(shown, "the other program's notification does not show")
        self.act(shown[0], button=False)
        self.assertEqual(mail.communicate(timeout=5)[0].strip(), "default")
        self.assert_untouched()
        self.menu_event("Quit")
        self.assertEqual(self.program.wait(5), 0)
        self.assertEqual(self.installer_calls(), [])


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

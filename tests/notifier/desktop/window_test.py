"""Freshwell on an X11 tray (trayer), where Qt embeds its icon and draws its own balloons:
the balloon's click, left clicks that do nothing and the menu, clicked with xdotool."""

import os
import subprocess
import time
import unittest

from freshwell_run import APP, ICONS, FreshwellRun, on, x11

MENU_FIRST_ENTRY = (30, 10)  # "&Install updates", at the top of the menu


@on("tray")
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


if __name__ == "__main__":
    unittest.main()

// What kind of tray icon Qt made: a StatusNotifierItem or an icon in an X11 tray.
#ifndef FRESHWELL_TRAY_ICON_KIND_H
#define FRESHWELL_TRAY_ICON_KIND_H

class QSystemTrayIcon;

// Whether Qt made trayIcon, which must be shown, a StatusNotifierItem on the session bus
// rather than an icon embedded in an X11 tray.
//
// Qt's Unix platform themes decide it once, when the first tray icon (or
// isSystemTrayAvailable()) asks, from what the StatusNotifierWatcher answers. In that mode
// Qt posts balloons as desktop notifications and takes every ActionInvoked on the bus,
// whoever posted it, for a click on its own. Asking the watcher again would wait for it
// once more (a hung one holds each call for 25 s) and could come to another answer than
// Qt did. So this reads what Qt did: its X11 tray icon is a widget, a StatusNotifierItem
// has none.
bool isStatusNotifierItem(const QSystemTrayIcon *trayIcon);

#endif

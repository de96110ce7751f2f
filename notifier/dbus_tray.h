#ifndef FRESHWELL_DBUS_TRAY_H
#define FRESHWELL_DBUS_TRAY_H

// Whether a QSystemTrayIcon created now is a StatusNotifierItem on the session bus rather
// than an icon embedded in an X11 tray.
//
// Qt 6.4's own Unix platform themes decide it this way, once, when the first tray icon
// (or isSystemTrayAvailable()) asks for one: the session bus has a StatusNotifierWatcher
// whose IsStatusNotifierHostRegistered property is true. In that mode Qt posts balloons
// as desktop notifications and takes every ActionInvoked on the bus, whoever posted it,
// for a click on its own.
bool trayIconUsesDBus();

#endif

// What kind of tray icon Qt made, read from the widgets it made for it.
#include "tray_icon_kind.h"

#include <QSystemTrayIcon>
#include <QtGlobal>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN) && !defined(Q_OS_ANDROID)
#include <QApplication>
#include <QDBusConnection>
#include <QWidget>

bool isStatusNotifierItem(const QSystemTrayIcon *trayIcon)
{
    if (!trayIcon->isVisible() || !QDBusConnection::sessionBus().isConnected())
        return false;
    // Qt's own X11 tray icon (QSystemTrayIconSys) exists from the moment it is shown.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *window : windows) {
        if (window->inherits("QSystemTrayIconSys"))
            return false;
    }
    return true;
}
#else
bool isStatusNotifierItem(const QSystemTrayIcon *)
{
    // Qt's tray icon is the platform's own here.
    return false;
}
#endif

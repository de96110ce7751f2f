// The guard of presses on the tray icon and its balloon in Qt's X11 tray.
#include "balloon_click_guard.h"

#include <QApplication>
#include <QByteArray>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QWidget>

namespace {

// Class names of the widgets of Qt's X11 tray (QSystemTrayIconSys, QBalloonTip).
bool isA(const QObject *object, const char *className)
{
    return qstrcmp(object->metaObject()->className(), className) == 0;
}

// Qt takes a balloon that still exists for a showing one, even after it was closed and
// only waits for its deferred deletion; so delete them outright.
void deleteBalloons()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (isA(window, "QBalloonTip"))
            delete window;
    }
}

} // namespace

BalloonClickGuard::BalloonClickGuard(QSystemTrayIcon *trayIcon)
    : QObject(trayIcon), trayIcon(trayIcon)
{
    // Filters are kept as guarded pointers, so destroying the guard with the icon removes
    // it from the application's list.
    qApp->installEventFilter(this);
}

bool BalloonClickGuard::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::MouseButtonPress || !watched->isWidgetType())
        return false;

    if (isA(watched, "QSystemTrayIconSys")) {
        // Without a balloon, Qt's handler only opens the menu and emits activated();
        // neither destroys the icon under it in Freshwell.
        deleteBalloons();
        return false;
    }

    if (isA(watched, "QBalloonTip")) {
        const bool leftButton = static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton;
        // Closing defers the deletion; the slot runs from the event loop, after this press.
        static_cast<QWidget *>(watched)->close();
        if (leftButton)
            QMetaObject::invokeMethod(trayIcon, &QSystemTrayIcon::messageClicked,
                                      Qt::QueuedConnection);
        return true;
    }
    return false;
}

void guardBalloonClicks(QSystemTrayIcon *trayIcon)
{
    if (!trayIcon->findChild<BalloonClickGuard *>(QString(), Qt::FindDirectChildrenOnly))
        new BalloonClickGuard(trayIcon);
}

// DesktopNotification on Windows: a stand-in that is never used.
#include "desktop_notification.h"

// Windows tray icons show their balloons themselves (isStatusNotifierItem() is false there),
// so no desktop notification is ever made; this keeps the class's one caller portable.

DesktopNotification::DesktopNotification(const QImage &image, QObject *parent)
    : QObject(parent), image(image), server(nullptr)
{}

DesktopNotification::~DesktopNotification() = default;

void DesktopNotification::show(const QString &, const QString &, int,
                               std::function<void()> unclaimed)
{
    unclaimed();
}

void DesktopNotification::close() {}

void DesktopNotification::actionInvoked(uint, const QString &, const QDBusMessage &) {}

void DesktopNotification::notificationClosed(uint, uint, const QDBusMessage &) {}

// Names of the desktop notification interface on the session bus.
#ifndef FRESHWELL_NOTIFICATION_BUS_H
#define FRESHWELL_NOTIFICATION_BUS_H

#include <QDBusMessage>
#include <QString>
#include <QVariantList>

namespace notifications {

inline const QString kService = QStringLiteral("org.freedesktop.Notifications");
inline const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
inline const QString kInterface = kService;

// A call of the interface's method, to destination: the well-known name, or an owner's
// unique name when only that owner may receive it.
inline QDBusMessage methodCall(const QString &destination, const QString &method,
                               const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(destination, kPath, kInterface, method);
    call.setArguments(arguments);
    return call;
}

} // namespace notifications

#endif

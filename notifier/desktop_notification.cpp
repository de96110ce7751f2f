#include "desktop_notification.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = kService;
const QString kDefaultAction = QStringLiteral("default");
const QString kInstallAction = QStringLiteral("install");
// A server that hangs must not freeze the notifier for D-Bus's default 25 s.
constexpr int kCallTimeoutMs = 3000;

QDBusMessage notificationsCall(const QString &method, const QVariantList &arguments = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kCallTimeoutMs);
}

// The image-data hint, (iiibiiay): width, height, row stride, alpha, bits per sample,
// channels, RGBA bytes.
QVariant imageHint(const QImage &image)
{
    QDBusArgument data;
    data.beginStructure();
    data << image.width() << image.height() << int(image.bytesPerLine()) << true << 8 << 4
         << QByteArray(reinterpret_cast<const char *>(image.constBits()), int(image.sizeInBytes()));
    data.endStructure();
    return QVariant::fromValue(data);
}

} // namespace

DesktopNotification::DesktopNotification(const QImage &image, QObject *parent)
    : QObject(parent), image(image.convertToFormat(QImage::Format_RGBA8888)), id(0)
{
    // Some servers send the signal to the poster only, others to everyone: the id decides.
    QDBusConnection::sessionBus().connect(kService, kPath, kInterface,
                                          QStringLiteral("ActionInvoked"), this,
                                          SLOT(actionInvoked(uint, QString)));
}

DesktopNotification::~DesktopNotification()
{
    close();
}

bool DesktopNotification::show(const QString &title, const QString &text, int timeoutMs)
{
    const QDBusMessage capabilities = notificationsCall(QStringLiteral("GetCapabilities"));
    if (capabilities.type() != QDBusMessage::ReplyMessage)
        return false;

    // "default" is what a click on the notification invokes. Unlabelled, as desktop
    // programs send it: some servers show a labelled one as a second button.
    QStringList actions{kDefaultAction, QString()};
    if (capabilities.arguments().value(0).toStringList().contains(QStringLiteral("actions")))
        actions << kInstallAction << QCoreApplication::translate("UpdateDialog", "Install updates");

    const QVariantMap hints{{QStringLiteral("image-data"), imageHint(image)}};
    const QDBusMessage reply = notificationsCall(
        QStringLiteral("Notify"), {QStringLiteral("Freshwell"), id, QStringLiteral("freshwell"),
                                   title, text, actions, hints, timeoutMs});
    const QVariant newId = reply.arguments().value(0);
    if (reply.type() != QDBusMessage::ReplyMessage || newId.metaType().id() != QMetaType::UInt)
        return false;
    id = newId.toUInt();
    return true;
}

void DesktopNotification::close()
{
    if (id == 0)
        return;
    notificationsCall(QStringLiteral("CloseNotification"), {id});
    id = 0;
}

void DesktopNotification::actionInvoked(uint notificationId, const QString &actionKey)
{
    if (id == 0 || notificationId != id)
        return;
    if (actionKey == kDefaultAction || actionKey == kInstallAction)
        emit activated();
}

// Freshwell's announcement as its own desktop notification: postings, their ids and actions.
#include "desktop_notification.h"

#include "announce_trail.h"
#include "dialog_tr.h"
#include "notification_bus.h"
#include "notification_server.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

#include <limits>
#include <utility>

namespace {

const QString kDefaultAction = QStringLiteral("default");
const QString kInstallAction = QStringLiteral("install");
// Nothing waits for the reply, and a late one still carries the id that makes a click work
// (or lets Freshwell withdraw a notification it no longer wants).
constexpr int kNoTimeout = std::numeric_limits<int>::max();

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

// Only the owner that issued an id may be told about it: under the well-known name a
// restarted server would close another program's notification.
void closeNotification(const QString &owner, uint notificationId)
{
    QDBusConnection::sessionBus().send(
        notifications::methodCall(owner, QStringLiteral("CloseNotification"), {notificationId}));
}

} // namespace

DesktopNotification::DesktopNotification(const QImage &image, QObject *parent)
    : QObject(parent), image(image.convertToFormat(QImage::Format_RGBA8888)),
      server(new NotificationServer(this))
{
    connect(server, &NotificationServer::answered, this, &DesktopNotification::postNext);
    connect(server, &NotificationServer::ownerChanged, this, &DesktopNotification::ownerChanged);
    // From any sender: some servers send these to the poster only, others to everyone, and
    // a restarted one from a new name. The id and its owner decide.
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.connect(QString(), notifications::kPath, notifications::kInterface,
                QStringLiteral("ActionInvoked"), this,
                SLOT(actionInvoked(uint, QString, QDBusMessage)));
    bus.connect(QString(), notifications::kPath, notifications::kInterface,
                QStringLiteral("NotificationClosed"), this,
                SLOT(notificationClosed(uint, uint, QDBusMessage)));
}

DesktopNotification::~DesktopNotification()
{
    close();
}

void DesktopNotification::show(const QString &title, const QString &text, int timeoutMs,
                               std::function<void()> unclaimed)
{
    latest = {title, text, timeoutMs, std::move(unclaimed)};
    queue.append(latest);
    standing = true;
    postNext();
}

void DesktopNotification::close()
{
    standing = false;
    queue.clear();
    if (id != 0)
        closeNotification(idOwner, id);
    id = 0;
    idOwner.clear();
}

void DesktopNotification::postNext()
{
    if (notifying || queue.isEmpty())
        return;
    switch (server->state()) {
    case NotificationServer::State::Unknown:
        server->ask();
        return; // answered() comes back here
    case NotificationServer::State::Asking:
        return;
    case NotificationServer::State::Absent:
        // Nobody else can show it: Qt's posting, whatever it leads to, is all there is.
        unclaimAll();
        return;
    case NotificationServer::State::Failed:
        if (actionsRequired) {
            unclaimAll();
            return;
        }
        // The icon's menu stays the way in; a new owner is shown the announcement.
        qCDebug(announceTrail, "notification held back until the server is replaced");
        queue.clear();
        return;
    case NotificationServer::State::Ready:
        break;
    }
    const bool showsActions = server->capabilities().contains(QStringLiteral("actions"));
    if (actionsRequired && !showsActions) {
        qCDebug(announceTrail, "notification server %s shows no buttons",
                qUtf8Printable(server->owner()));
        unclaimAll();
        return;
    }

    const Posting posting = queue.takeFirst();
    // "default" is what a click on the notification invokes. Unlabelled, as desktop
    // programs send it: some servers show a labelled one as a second button.
    QStringList actions{kDefaultAction, QString()};
    if (showsActions)
        actions << kInstallAction << dialogTr("Install updates");
    const QVariantMap hints{{QStringLiteral("image-data"), imageHint(image)}};
    const QString owner = server->owner();
    const uint replaces = idOwner == owner ? id : 0;
    const QDBusMessage call = notifications::methodCall(
        owner, QStringLiteral("Notify"),
        {QStringLiteral("Freshwell"), replaces, QStringLiteral("freshwell"), posting.title,
         posting.text, actions, hints, posting.timeoutMs});

    notifying = true;
    auto *watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, kNoTimeout), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, owner](QDBusPendingCallWatcher *call) { notifyReplied(call, owner); });
}

void DesktopNotification::unclaimAll()
{
    for (const Posting &posting : std::exchange(queue, {}))
        posting.unclaimed();
}

void DesktopNotification::notifyReplied(QDBusPendingCallWatcher *call, const QString &owner)
{
    call->deleteLater();
    notifying = false;
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        qCDebug(announceTrail, "notification refused by %s: %s", qUtf8Printable(owner),
                qUtf8Printable(reply.error().message()));
    } else {
        qCDebug(announceTrail, "posted as notification %u of %s", reply.value(),
                qUtf8Printable(owner));
        if (standing && owner == server->owner()) {
            id = reply.value();
            idOwner = owner;
        } else {
            // Answered after the announcement ended or its server was replaced.
            closeNotification(owner, reply.value());
        }
    }
    postNext();
}

void DesktopNotification::ownerChanged(const QString &oldOwner, const QString &newOwner)
{
    // The old owner's notifications went with it; its ids are other programs' now.
    if (idOwner == oldOwner) {
        id = 0;
        idOwner.clear();
    }
    if (standing && !newOwner.isEmpty() && queue.isEmpty())
        queue.append(latest);
    // Also for postings that waited for an answer the old owner can no longer give.
    postNext();
}

bool DesktopNotification::isOurs(uint notificationId, const QDBusMessage &signal) const
{
    return id != 0 && notificationId == id && signal.service() == idOwner;
}

void DesktopNotification::actionInvoked(uint notificationId, const QString &actionKey,
                                        const QDBusMessage &signal)
{
    if (!isOurs(notificationId, signal)) {
        qCDebug(announceTrail, "click ignored: notification %u of %s is not Freshwell's",
                notificationId, qUtf8Printable(signal.service()));
        return;
    }
    if (actionKey == kDefaultAction || actionKey == kInstallAction)
        emit activated();
}

void DesktopNotification::notificationClosed(uint notificationId, uint, const QDBusMessage &signal)
{
    if (isOurs(notificationId, signal)) {
        id = 0;
        idOwner.clear();
        emit closed();
    }
}

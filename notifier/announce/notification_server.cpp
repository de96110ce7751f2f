// The desktop notification server: its capabilities asked once per owner, owner changes followed.
#include "notification_server.h"

#include "announce_trail.h"
#include "notification_bus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

namespace {

// The bus's own answers when no process owns the name and none can be started for it.
bool meansNoOwner(const QDBusError &error)
{
    return error.type() == QDBusError::ServiceUnknown ||
           error.name() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
           error.name().startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

} // namespace

NotificationServer::NotificationServer(QObject *parent) : QObject(parent)
{
    auto *watcher = new QDBusServiceWatcher(notifications::kService, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &NotificationServer::nameOwnerChanged);
}

void NotificationServer::ask()
{
    if (state_ != State::Unknown)
        return;
    if (!QDBusConnection::sessionBus().isConnected()) {
        // No bus, so no server: and a call on it would never be answered.
        qCDebug(announceTrail, "no session bus, so no notification server");
        state_ = State::Absent;
        emit answered();
        return;
    }
    state_ = State::Asking;
    // To the well-known name, so that the bus may start a server; the reply names the owner.
    const QDBusMessage call =
        notifications::methodCall(notifications::kService, QStringLiteral("GetCapabilities"));
    auto *watcher =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    const int askedIn = generation;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, askedIn](QDBusPendingCallWatcher *call) { capabilitiesReplied(call, askedIn); });
}

void NotificationServer::capabilitiesReplied(QDBusPendingCallWatcher *call, int askedIn)
{
    call->deleteLater();
    if (askedIn != generation)
        return; // the owner changed meanwhile; ask() starts afresh
    const QDBusPendingReply<QStringList> reply = *call;
    if (reply.isError()) {
        state_ = meansNoOwner(reply.error()) ? State::Absent : State::Failed;
        qCDebug(announceTrail, "%s: %s",
                state_ == State::Absent ? "no notification server" : "notification server failed",
                qUtf8Printable(reply.error().message()));
    } else {
        state_ = State::Ready;
        owner_ = reply.reply().service();
        capabilities_ = reply.value();
        qCDebug(announceTrail, "notification server %s can: %s", qUtf8Printable(owner_),
                qUtf8Printable(capabilities_.join(QLatin1String(", "))));
    }
    emit answered();
}

void NotificationServer::nameOwnerChanged(const QString &, const QString &oldOwner,
                                          const QString &newOwner)
{
    qCDebug(announceTrail, "notification server owner: %s, was %s",
            newOwner.isEmpty() ? "none" : qUtf8Printable(newOwner),
            oldOwner.isEmpty() ? "none" : qUtf8Printable(oldOwner));
    ++generation;
    state_ = State::Unknown;
    owner_.clear();
    capabilities_.clear();
    emit ownerChanged(oldOwner, newOwner);
}

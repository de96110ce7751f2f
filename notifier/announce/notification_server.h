// The desktop notification server on the session bus: its owner and what it can do.
#ifndef FRESHWELL_NOTIFICATION_SERVER_H
#define FRESHWELL_NOTIFICATION_SERVER_H

#include <QObject>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

// The process that owns org.freedesktop.Notifications on the session bus, and what it can do.
//
// The bus is shared with programs Freshwell does not control: the server may hang, answer
// late, or be restarted and replaced by another process at any time. So nothing here waits
// for it, and what one owner answered is kept for that owner alone.
class NotificationServer : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Unknown, // nobody asked yet, or the owner changed since
        Asking,  // GetCapabilities is on its way
        Absent,  // no process owns the name, and the bus cannot start one
        Ready,   // owner() answered with capabilities()
        Failed,  // the owner hangs or answers with an error; asked again once it changes
    };

    explicit NotificationServer(QObject *parent);

    State state() const { return state_; }
    // The owner's unique bus name; empty unless Ready.
    QString owner() const { return owner_; }
    QStringList capabilities() const { return capabilities_; }

    // Asks for the capabilities unless the current owner's answer (or that there is none) is
    // known or on its way.
    void ask();

signals:
    // ask() has its answer: the state is Absent, Ready or Failed.
    void answered();
    // Another process (or none) owns the name now; its notifications are not the old owner's.
    void ownerChanged(const QString &oldOwner, const QString &newOwner);

private slots:
    void nameOwnerChanged(const QString &name, const QString &oldOwner, const QString &newOwner);

private:
    void capabilitiesReplied(QDBusPendingCallWatcher *call, int generation);

    State state_ = State::Unknown;
    QString owner_;
    QStringList capabilities_;
    // Counts owner changes, so that an answer from a replaced owner is not taken for the new one's.
    int generation = 0;
};

#endif

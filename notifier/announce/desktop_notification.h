// Freshwell's announcement as its own desktop notification.
#ifndef FRESHWELL_DESKTOP_NOTIFICATION_H
#define FRESHWELL_DESKTOP_NOTIFICATION_H

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class NotificationServer;
class QDBusMessage;
class QDBusPendingCallWatcher;

// Freshwell's announcement as a desktop notification (org.freedesktop.Notifications on the
// session bus), for tray icons that are StatusNotifierItems.
//
// Qt posts its balloons there without actions, so a click on them does nothing, and takes
// an action invoked on anyone's notification for a click on its own. This posts one
// notification with a default action (and a visible one where the server shows actions),
// replaces it on the next posting, and reports only actions on that notification.
//
// Nothing waits for the server. An id counts only together with the owner that issued it:
// a restarted server counts from 1 again, and its numbers then belong to other programs.
// When the owner changes while the announcement stands, it is posted to the new one.
class DesktopNotification : public QObject
{
    Q_OBJECT

public:
    // image: the picture the notification shows.
    DesktopNotification(const QImage &image, QObject *parent);
    ~DesktopNotification() override;

    // From now on a posting counts as unclaimed also when the server cannot show actions or
    // fails: without a tray icon the notification's button is the only way in.
    void requireActions() { actionsRequired = true; }

    // Posts the notification, or replaces the one still standing, once the postings before
    // it are answered. Calls unclaimed instead when no process owns the server's name.
    // timeoutMs 0: it stays until the user acts on it.
    void show(const QString &title, const QString &text, int timeoutMs,
              std::function<void()> unclaimed);
    // Withdraws the notification, now or when a posting still on its way is answered: an
    // action on it no longer counts.
    void close();

signals:
    // The user clicked the notification or chose its install action.
    void activated();
    // The user dismissed the notification, or the server closed it: it shows no longer.
    void closed();

private slots:
    void actionInvoked(uint notificationId, const QString &actionKey, const QDBusMessage &signal);
    void notificationClosed(uint notificationId, uint reason, const QDBusMessage &signal);

private:
    struct Posting
    {
        QString title;
        QString text;
        int timeoutMs;
        std::function<void()> unclaimed;
    };

    void postNext();
    void unclaimAll();
    void notifyReplied(QDBusPendingCallWatcher *call, const QString &owner);
    void ownerChanged(const QString &oldOwner, const QString &newOwner);
    bool isOurs(uint notificationId, const QDBusMessage &signal) const;

    QImage image;
    NotificationServer *server;
    QList<Posting> queue; // postings not yet sent
    Posting latest;       // what a new server is shown while the announcement stands
    bool standing = false;
    bool actionsRequired = false;
    bool notifying = false; // a Notify call is on its way
    // The standing notification: its id (0 when there is none) and who issued it.
    uint id = 0;
    QString idOwner;
};

#endif

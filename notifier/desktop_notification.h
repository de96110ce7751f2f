#ifndef FRESHWELL_DESKTOP_NOTIFICATION_H
#define FRESHWELL_DESKTOP_NOTIFICATION_H

#include <QImage>
#include <QObject>
#include <QString>

// Freshwell's announcement as a desktop notification (org.freedesktop.Notifications on the
// session bus), for tray icons that are StatusNotifierItems.
//
// Qt posts its balloons there without actions, so a click on them does nothing, and takes
// an action invoked on anyone's notification for a click on its own. This posts one
// notification with a default action (and a visible one where the server shows actions),
// replaces it on the next posting, and reports only actions on that notification.
class DesktopNotification : public QObject
{
    Q_OBJECT

public:
    // image: the picture the notification shows.
    DesktopNotification(const QImage &image, QObject *parent);
    ~DesktopNotification() override;

    // Posts the notification, or replaces the one still standing; true once a server has
    // taken it, false when none answers.
    bool show(const QString &title, const QString &text, int timeoutMs);
    // Withdraws the notification: an action on it no longer counts. Does nothing when none
    // stands.
    void close();

signals:
    // The user clicked the notification or chose its install action.
    void activated();

private slots:
    void actionInvoked(uint notificationId, const QString &actionKey);

private:
    QImage image;
    uint id; // the standing notification's, 0 when there is none
};

#endif

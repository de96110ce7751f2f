#ifndef FRESHWELL_UPDATEDIALOG_H
#define FRESHWELL_UPDATEDIALOG_H

#include <QDialog>
#include <QString>

class DesktopNotification;
class QAction;
class QMenu;
class QSystemTrayIcon;

namespace Ui {
class UpdateDialogForm;
}

// The notifier's one object. Never shown: it owns the tray icon and its menu, receives
// the single-shot timers of the check schedule and starts the add-on installer.
class UpdateDialog : public QDialog
{
    Q_OBJECT

public:
    UpdateDialog(QString applicationList, QString serverVersion, QString executeCommand,
                 bool immediateCheck);
    ~UpdateDialog() override;

private slots:
    void updateCheck();
    void runKitwright();

private:
    void createActions();
    // Whether a system tray was found.
    bool createTrayIcon();
    void connectClicks(bool trayFound);
    void announce(const QString &title, const QString &text, int displayMs);

    Ui::UpdateDialogForm *ui;
    QAction *installAction;
    QAction *quitAction;
    QSystemTrayIcon *trayIcon;
    QMenu *trayIconMenu;
    // Set when the tray icon is a StatusNotifierItem: Freshwell posts its own notification.
    DesktopNotification *notification;
    QString applicationList;
    QString serverVersion;
    QString executeCommand;
    bool immediateCheck;
};

#endif

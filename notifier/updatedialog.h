// UpdateDialog, the notifier's one object.
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
    // Arms the next check after msec and writes to the trail when it is due and why.
    void armCheck(int msec, const char *why);
    void createActions();
    void createTrayIcon();
    void connectClicks();
    // Qt's balloon, twice: for kFirstBalloonMs, then for kSecondBalloonMs if the icon is visible.
    void showBalloons(const QString &title, const QString &text);
    // Without a tray: the announcement as a notification whose button starts the installer,
    // where the desktop's notification server shows buttons, else the box that ends Freshwell.
    void announceWithoutTray(const QString &title, int count);

    Ui::UpdateDialogForm *ui;
    QAction *installAction;
    QAction *quitAction;
    QSystemTrayIcon *trayIcon;
    QMenu *trayIconMenu;
    // Set when the tray icon is a StatusNotifierItem, or when there is no tray (trayIcon
    // stays null): Freshwell posts its own notification.
    DesktopNotification *notification;
    QString applicationList;
    QString serverVersion;
    QString executeCommand;
    bool immediateCheck;
};

#endif

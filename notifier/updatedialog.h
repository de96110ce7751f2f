#ifndef FRESHWELL_UPDATEDIALOG_H
#define FRESHWELL_UPDATEDIALOG_H

#include <QDialog>
#include <QString>

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
    void createTrayIcon();

    Ui::UpdateDialogForm *ui;
    QAction *installAction;
    QAction *quitAction;
    QSystemTrayIcon *trayIcon;
    QMenu *trayIconMenu;
    QString applicationList;
    QString serverVersion;
    QString executeCommand;
    bool immediateCheck;
};

#endif

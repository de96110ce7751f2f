#include "updatedialog.h"

#include "balloon_click_guard.h"
#include "catalog_check.h"
#include "check_schedule.h"
#include "dbus_tray.h"
#include "desktop_notification.h"
#include "freshwell_icon.h"
#include "installer_launch.h"
#include "ui_updatedialogform.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <utility>

namespace {

constexpr int kFirstCheckDelayMs = 600000;         // ten minutes after start
constexpr int kImmediateCheckDelayMs = 1;          // as soon as the event loop runs
constexpr int kNextDayCheckDelayMs = 86400000;     // after a check that found nothing
constexpr int kAfterInstallCheckDelayMs = 1800000; // half an hour after an installer start

constexpr int kFirstBalloonMs = 1;
constexpr int kSecondBalloonMs = 5000;

} // namespace

UpdateDialog::UpdateDialog(QString applicationList, QString serverVersion, QString executeCommand,
                           bool immediateCheck)
    : QDialog(nullptr), ui(new Ui::UpdateDialogForm), installAction(nullptr), quitAction(nullptr),
      trayIcon(nullptr), trayIconMenu(nullptr), notification(nullptr),
      applicationList(std::move(applicationList)), serverVersion(std::move(serverVersion)),
      executeCommand(std::move(executeCommand)), immediateCheck(immediateCheck)
{
    ui->setupUi(this);
    createActions();

    scheduleCheck(this->immediateCheck ? kImmediateCheckDelayMs : kFirstCheckDelayMs, this,
                  [this] { updateCheck(); });
}

UpdateDialog::~UpdateDialog()
{
    delete ui;
}

void UpdateDialog::createActions()
{
    installAction = new QAction(tr("&Install updates"), this);
    connect(installAction, &QAction::triggered, this, &UpdateDialog::runKitwright);

    quitAction = new QAction(tr("&Quit"), this);
    connect(quitAction, &QAction::triggered, qApp, &QCoreApplication::quit);
}

bool UpdateDialog::createTrayIcon()
{
    // Asked once: on StatusNotifierItem desktops each question waits for the watcher.
    const bool trayFound = QSystemTrayIcon::isSystemTrayAvailable();
    if (!trayFound) {
        QMessageBox::critical(nullptr, QObject::tr("Freshwell"),
                              QObject::tr("The system tray could not be found on this system. "
                                          "Closing Freshwatch service."),
                              QMessageBox::Ok, QMessageBox::NoButton);
        // The caller goes on to use the icon, so it is still built below; the event
        // loop ends as soon as the check returns.
        QCoreApplication::exit(-1);
    }

    trayIconMenu = new QMenu(this);
    trayIconMenu->addAction(installAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(quitAction);

    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setContextMenu(trayIconMenu);
    const QIcon icon = freshwellIcon();
    trayIcon->setIcon(icon);
    setWindowIcon(icon);
    return trayFound;
}

void UpdateDialog::connectClicks(bool trayFound)
{
    // What Qt made of the icon shows once it is shown. Without a tray the program is ending.
    if (trayFound && isStatusNotifierItem(trayIcon)) {
        // Qt's messageClicked() would also fire for other programs' notifications.
        notification = new DesktopNotification(freshwellImage(48), this);
        connect(notification, &DesktopNotification::activated, this, &UpdateDialog::runKitwright);
    } else {
        connect(trayIcon, &QSystemTrayIcon::messageClicked, this, &UpdateDialog::runKitwright);
        // runKitwright() hides the icon, which with Qt's X11 tray deletes the widget whose
        // press handler would otherwise call it.
        guardBalloonClicks(trayIcon);
    }
}

void UpdateDialog::updateCheck()
{
    const int count = countAvailableUpdates(applicationList, serverVersion, this);
    if (count <= 0) {
        // Measured from here, so a failure box left open postpones the next check.
        scheduleCheck(kNextDayCheckDelayMs, this, [this] { updateCheck(); });
        return;
    }

    if (!trayIcon) {
        const bool trayFound = createTrayIcon();
        trayIcon->setVisible(true);
        connectClicks(trayFound);
    }
    trayIcon->setVisible(true);

    QString title;
    QString text;
    if (count > 1) {
        title = tr("Updates available!");
        text = tr("There are %1 updates available for your Corvanta Standard Server "
                  "installation.\n\nRight-click the tray icon to download and install.");
    } else {
        title = tr("Update available!");
        text = tr("There is %1 update available for your Corvanta Standard Server "
                  "installation.\n\nRight-click the tray icon to download and install.");
    }
    text = text.arg(count);

    announce(title, text, kFirstBalloonMs);
    if (trayIcon->isVisible())
        announce(title, text, kSecondBalloonMs);

    // No check is armed while the announcement stands; the installer start arms the next.
}

void UpdateDialog::announce(const QString &title, const QString &text, int displayMs)
{
    if (!notification) {
        trayIcon->showMessage(title, text, QSystemTrayIcon::Information, displayMs);
        return;
    }
    // The notification is posted for the full time each time: the second posting replaces
    // the first, which must not have closed by then, or the user would see two.
    notification->show(title, text, kSecondBalloonMs, [this, title, text, displayMs] {
        // No server owns the name: Qt's posting, which leads nowhere, is all there is.
        trayIcon->showMessage(title, text, QSystemTrayIcon::Information, displayMs);
    });
}

void UpdateDialog::runKitwright()
{
    trayIcon->setVisible(false);
    // A click on it later, in a notification history, must not start a second installer.
    if (notification)
        notification->close();
    launchInstaller(executeCommand, serverVersion);
    scheduleCheck(kAfterInstallCheckDelayMs, this, [this] { updateCheck(); });
}

// UpdateDialog: the check schedule, the announcement by tray icon, balloon or notification,
// and the installer start.
#include "updatedialog.h"

#include "announce_trail.h"
#include "balloon_click_guard.h"
#include "catalog_count.h"
#include "check_schedule.h"
#include "desktop_notification.h"
#include "freshwell_icon.h"
#include "installer_launch.h"
#include "tray_icon_kind.h"
#include "ui_updatedialogform.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QIcon>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <utility>

namespace {

// When each check is due and why. Off unless the logging rules turn it on.
Q_LOGGING_CATEGORY(scheduleTrail, "freshwell.schedule", QtInfoMsg)

#ifdef Q_OS_WIN
constexpr char kTrayKind[] = "Windows tray with its balloon";
#else
constexpr char kTrayKind[] = "X11 tray with Qt's balloon";
#endif

constexpr int kFirstCheckDelayMs = 600000;         // ten minutes after start
constexpr int kImmediateCheckDelayMs = 1;          // as soon as the event loop runs
constexpr int kNextDayCheckDelayMs = 86400000;     // after a check that found nothing
constexpr int kAfterInstallCheckDelayMs = 1800000; // half an hour after an installer start

// Posted even while the icon does not report itself visible yet; the lasting second replaces it.
constexpr int kFirstBalloonMs = 1;
constexpr int kSecondBalloonMs = 5000;

// The announcement's text for count updates, ending with how to go on. Joined as literals,
// so that each of the four texts still reaches the translation whole.
#define FRESHWELL_UPDATES_TEXT(count, howToGoOn)                                                   \
    ((count) > 1 ? tr("There are %1 updates available for your Corvanta Standard Server "          \
                      "installation.\n\n" howToGoOn)                                               \
                 : tr("There is %1 update available for your Corvanta Standard Server "            \
                      "installation.\n\n" howToGoOn))                                              \
        .arg(count)

// Neither a tray nor a notification server with buttons: Freshwell cannot announce anything.
void showNoTrayBoxAndExit()
{
    qCDebug(announceTrail, "no tray and no notification server with buttons: Freshwell ends");
    QMessageBox::critical(nullptr, QObject::tr("Freshwell"),
                          QObject::tr("The system tray could not be found on this system. "
                                      "Closing Freshwatch service."),
                          QMessageBox::Ok, QMessageBox::NoButton);
    QCoreApplication::exit(-1);
}

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

    if (this->immediateCheck)
        armCheck(kImmediateCheckDelayMs, "asked for at once");
    else
        armCheck(kFirstCheckDelayMs, "the first check waits ten minutes after the start");
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

void UpdateDialog::createTrayIcon()
{
    trayIconMenu = new QMenu(this);
    trayIconMenu->addAction(installAction);
    trayIconMenu->addSeparator();
    trayIconMenu->addAction(quitAction);

    trayIcon = new QSystemTrayIcon(this);
    trayIcon->setContextMenu(trayIconMenu);
    const QIcon icon = freshwellIcon();
    trayIcon->setIcon(icon);
    setWindowIcon(icon);
}

void UpdateDialog::connectClicks()
{
    // What Qt made of the icon shows once it is shown.
    if (isStatusNotifierItem(trayIcon)) {
        qCDebug(announceTrail, "announcing: StatusNotifierItem with Freshwell's own notification");
        // Qt's messageClicked() would also fire for other programs' notifications.
        notification = new DesktopNotification(freshwellImage(48), this);
        connect(notification, &DesktopNotification::activated, this, &UpdateDialog::runKitwright);
    } else {
        qCDebug(announceTrail, "announcing: %s", kTrayKind);
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
        armCheck(kNextDayCheckDelayMs, "nothing to announce");
        return;
    }

    const QString title = count > 1 ? tr("Updates available!") : tr("Update available!");
    // Asked once, at the first announcement: on StatusNotifierItem desktops each question
    // waits for the watcher.
    if (!trayIcon && (notification || !QSystemTrayIcon::isSystemTrayAvailable())) {
        announceWithoutTray(title, count);
        return;
    }
    const bool firstAnnouncement = !trayIcon;
    if (firstAnnouncement)
        createTrayIcon();
    trayIcon->setVisible(true);
    if (firstAnnouncement)
        connectClicks();

    const QString text =
        FRESHWELL_UPDATES_TEXT(count, "Right-click the tray icon to download and install.");
    if (notification) {
        // Freshwell's own notification: a first, short posting would only make a popup that
        // the second replaces at once, which some servers refuse and others show without
        // its button. Qt's balloons, which lead nowhere, only when no server owns the name.
        notification->show(title, text, kSecondBalloonMs, [this, title, text] {
            qCDebug(announceTrail, "announcing: Qt's own balloon, no notification server");
            showBalloons(title, text);
        });
    } else {
        showBalloons(title, text);
    }

    // No check is armed while the announcement stands; the installer start arms the next.
    qCDebug(scheduleTrail, "no check is due while the announcement stands");
}

void UpdateDialog::armCheck(int msec, const char *why)
{
    qCDebug(scheduleTrail, "next check at %s: %s",
            qUtf8Printable(QDateTime::currentDateTime().addMSecs(msec).toString(Qt::ISODate)), why);
    scheduleCheck(msec, this, [this] { updateCheck(); });
}

void UpdateDialog::showBalloons(const QString &title, const QString &text)
{
    trayIcon->showMessage(title, text, QSystemTrayIcon::Information, kFirstBalloonMs);
    if (trayIcon->isVisible())
        trayIcon->showMessage(title, text, QSystemTrayIcon::Information, kSecondBalloonMs);
}

void UpdateDialog::announceWithoutTray(const QString &title, int count)
{
    if (!notification) {
        qCDebug(announceTrail, "announcing: notification only, there is no system tray");
        notification = new DesktopNotification(freshwellImage(48), this);
        notification->requireActions();
        connect(notification, &DesktopNotification::activated, this, &UpdateDialog::runKitwright);
        connect(notification, &DesktopNotification::closed, this, [this] {
            // Put away unanswered: the announcement no longer stands, so checks resume.
            notification->close();
            armCheck(kNextDayCheckDelayMs, "the notification was put away unanswered");
        });
    }
    const QString text =
        FRESHWELL_UPDATES_TEXT(count, "Click \"Install updates\" to download and install.");
    // No expiry: it waits in the desktop's notification list for the user.
    notification->show(title, text, 0, showNoTrayBoxAndExit);
}

void UpdateDialog::runKitwright()
{
    if (trayIcon)
        trayIcon->setVisible(false);
    // A click on it later, in a notification history, must not start a second installer.
    if (notification)
        notification->close();
    launchInstaller(executeCommand, serverVersion);
    armCheck(kAfterInstallCheckDelayMs, "half an hour after the installer start");
}

// A tray program reduced to what Freshwell does when it announces updates: an icon with
// a context menu, shown, the balloon posted twice (1 ms, then 5000 ms once the icon
// reports itself visible), and the icon hidden first thing when the installer is started
// from the menu or the balloon: for trying clicks while the balloon shows by hand.
//
//   --guard      install the notifier's balloon click guard
//   --once       post the balloon only once (1 ms)
//   --icon-only  show the icon and nothing else (the idle benchmark's floor)
//
// Reports on stdout, one word a line, so a driver can follow it: "announced",
// "menu-shown", "installer-from-menu", "installer-from-balloon".

#include "balloon_click_guard.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMenu>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace {

bool hasOption(int argc, char **argv, const char *option)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], option) == 0)
            return true;
    }
    return false;
}

void report(const char *what)
{
    std::printf("%s\n", what);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    const bool guard = hasOption(argc, argv, "--guard");
    const bool once = hasOption(argc, argv, "--once");
    const bool iconOnly = hasOption(argc, argv, "--icon-only");

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    QSystemTrayIcon tray{QIcon(pixmap)};
    if (iconOnly) {
        tray.show();
        return app.exec();
    }

    QMenu menu;
    QAction *install = menu.addAction(QStringLiteral("&Install updates"));
    menu.addSeparator();
    QAction *quit = menu.addAction(QStringLiteral("&Quit"));
    tray.setContextMenu(&menu);
    if (guard)
        guardBalloonClicks(&tray);

    auto startInstaller = [&](const char *from) {
        tray.setVisible(false);
        report(from);
    };
    QObject::connect(install, &QAction::triggered, [&] { startInstaller("installer-from-menu"); });
    QObject::connect(&tray, &QSystemTrayIcon::messageClicked,
                     [&] { startInstaller("installer-from-balloon"); });
    QObject::connect(&menu, &QMenu::aboutToShow, [] { report("menu-shown"); });
    QObject::connect(quit, &QAction::triggered, &app, &QCoreApplication::quit);

    QTimer::singleShot(1, &tray, [&] {
        const QString title = QStringLiteral("Updates available!");
        const QString text = QStringLiteral("There are 2 updates available.\n\n"
                                            "Right-click the tray icon to download and install.");
        tray.show();
        tray.showMessage(title, text, QSystemTrayIcon::Information, 1);
        if (!once && tray.isVisible())
            tray.showMessage(title, text, QSystemTrayIcon::Information, 5000);
        report("announced");
    });
    return app.exec();
}

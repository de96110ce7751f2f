// The guard of presses on the tray icon and its balloon in Qt's X11 tray.
#ifndef FRESHWELL_BALLOON_CLICK_GUARD_H
#define FRESHWELL_BALLOON_CLICK_GUARD_H

#include <QObject>

class QEvent;
class QSystemTrayIcon;

// Keeps mouse presses on the tray icon and its balloon from running the icon's slots
// inside the press handler of a widget that those slots destroy.
//
// Qt's own X11 tray (a widget embedded in the tray host, with a balloon drawn by Qt)
// reports any press on the icon while a balloon shows as a balloon click, from inside
// the icon widget's press handler. A slot that hides the icon there deletes that very
// widget, and Qt crashes on return; a right click also starts the installer instead of
// opening the menu. A press on the balloon itself has the same shape: the slot deletes
// the balloon inside its handler.
//
// The guard watches the application's mouse presses. On the icon it first removes the
// balloon, so the press is only an icon press (the menu opens on a right click,
// a left click does nothing). On the balloon it closes the balloon itself and emits
// messageClicked() from the event loop, for a left press as Qt does. Elsewhere (native
// tray icons, Windows) those widgets do not exist and the guard does nothing.
class BalloonClickGuard : public QObject
{
    Q_OBJECT

public:
    explicit BalloonClickGuard(QSystemTrayIcon *trayIcon);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSystemTrayIcon *trayIcon;
};

// Gives trayIcon a guard (a child of the icon) unless it already has one.
void guardBalloonClicks(QSystemTrayIcon *trayIcon);

#endif

#ifndef FRESHWELL_INSTALLER_LAUNCH_H
#define FRESHWELL_INSTALLER_LAUNCH_H

#include <QString>

class QObject;

// Starts the add-on installer with the single argument "--server=<serverVersion>".
// The process object becomes a child of owner; a failed start is not reported.
void launchInstaller(const QString &executeCommand, const QString &serverVersion, QObject *owner);

#endif

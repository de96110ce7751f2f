// The start of the add-on installer.
#ifndef FRESHWELL_INSTALLER_LAUNCH_H
#define FRESHWELL_INSTALLER_LAUNCH_H

#include <QString>

// Starts the add-on installer with the single argument "--server=<serverVersion>", detached:
// it outlives the notifier, reads end-of-file and writes to the null device. A failed start
// is not reported.
void launchInstaller(const QString &executeCommand, const QString &serverVersion);

#endif

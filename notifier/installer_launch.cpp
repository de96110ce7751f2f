#include "installer_launch.h"

#include <QProcess>
#include <QStringList>

void launchInstaller(const QString &executeCommand, const QString &serverVersion, QObject *owner)
{
    const QStringList arguments{QStringLiteral("--server=") + serverVersion};

    // The process object stays with its owner until program exit, so an installer that is
    // still running is not killed while the notifier lives.
    auto *process = new QProcess(owner);
    process->start(executeCommand, arguments, QIODevice::ReadWrite);
}

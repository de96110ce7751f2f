// The start of the add-on installer, detached from the notifier.
#include "installer_launch.h"

#include <QProcess>
#include <QStringList>

void launchInstaller(const QString &executeCommand, const QString &serverVersion)
{
    // An installer at work must survive the notifier's end (quit, log-off, a kill): no
    // process object that would kill it, no pipe whose reader goes away under it.
    QProcess process;
    process.setProgram(executeCommand);
    process.setArguments({QStringLiteral("--server=") + serverVersion});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.startDetached();
}

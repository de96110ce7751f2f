#include "installer_launch.h"
#include "recording_installer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

TEST(InstallerLaunch, PassesTheServerVersionAsExactlyOneArgument)
{
    for (const QString &version :
         {QStringLiteral("8.4"), QString(), QStringLiteral("8.4 beta 2")}) {
        RecordingInstaller installer;
        QObject owner;
        launchInstaller(installer.command(), version, &owner);
        EXPECT_EQ(installer.waitForArguments(), QStringList{"--server=" + version});
        for (QProcess *process : owner.findChildren<QProcess *>())
            process->waitForFinished(5000);
    }
}

TEST(InstallerLaunch, AMissingProgramIsNotReported)
{
    QObject owner;
    launchInstaller(QStringLiteral("/nonexistent/kitwrightsuite"), QStringLiteral("8.4"), &owner);
    const QDeadlineTimer settle(300);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);

    const QList<QProcess *> processes = owner.findChildren<QProcess *>();
    ASSERT_EQ(processes.size(), 1);
    EXPECT_EQ(processes.at(0)->error(), QProcess::FailedToStart);
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

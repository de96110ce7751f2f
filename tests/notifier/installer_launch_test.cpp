#include "installer_launch.h"
#include "recording_installer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QStringList launchAndRecord(const QString &serverVersion)
{
    RecordingInstaller installer;
    QObject owner;
    launchInstaller(installer.command(), serverVersion, &owner);
    const auto arguments = installer.waitForArguments();
    for (QProcess *process : owner.findChildren<QProcess *>())
        process->waitForFinished(5000);
    return arguments.value_or(QStringList{QStringLiteral("<no run>")});
}

} // namespace

TEST(InstallerLaunch, PassesTheServerVersionAsExactlyOneArgument)
{
    EXPECT_EQ(launchAndRecord(QStringLiteral("8.4")), QStringList{"--server=8.4"});
    EXPECT_EQ(launchAndRecord(QString()), QStringList{"--server="});
    EXPECT_EQ(launchAndRecord(QStringLiteral("8.4 beta 2")), QStringList{"--server=8.4 beta 2"});
}

TEST(InstallerLaunch, EachLaunchKeepsItsOwnProcessObjectWithTheOwner)
{
    RecordingInstaller installer;
    QObject owner;
    launchInstaller(installer.command(), QStringLiteral("8.4"), &owner);
    ASSERT_TRUE(installer.waitForArguments());
    launchInstaller(installer.command(), QStringLiteral("8.4"), &owner);

    const QList<QProcess *> processes = owner.findChildren<QProcess *>();
    ASSERT_EQ(processes.size(), 2);
    EXPECT_NE(processes.at(0), processes.at(1));
    for (QProcess *process : processes)
        process->waitForFinished(5000);
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

#include "installer_launch.h"
#include "recording_installer.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWidget>

#include <gtest/gtest.h>

TEST(InstallerLaunch, PassesTheServerVersionAsExactlyOneArgument)
{
    for (const QString &version :
         {QStringLiteral("8.4"), QString(), QStringLiteral("8.4 beta 2")}) {
        RecordingInstaller installer;
        launchInstaller(installer.command(), version);
        EXPECT_EQ(installer.waitForArguments(), QStringList{"--server=" + version});
    }
}

TEST(InstallerLaunch, AMissingProgramIsNotReported)
{
    launchInstaller(QStringLiteral("/nonexistent/kitwrightsuite"), QStringLiteral("8.4"));
    const QDeadlineTimer settle(300);
    while (!settle.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

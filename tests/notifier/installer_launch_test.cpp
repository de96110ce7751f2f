#include "freshwell_test_support.h"
#include "installer_launch.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

TEST(InstallerLaunch, PassesTheServerVersionAsOneArgumentAndReportsNoMissingProgram)
{
    launchInstaller(QStringLiteral("/nonexistent/kitwrightsuite"), QStringLiteral("8.4"));
    for (const QString &version :
         {QStringLiteral("8.4"), QString(), QStringLiteral("8.4 beta 2")}) {
        RecordingInstaller installer;
        launchInstaller(installer.command(), version);
        EXPECT_EQ(installer.waitForArguments(), QStringList{"--server=" + version});
    }
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

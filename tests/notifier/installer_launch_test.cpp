#include "freshwell_test_support.h"
#include "installer_launch.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// The arguments of a launched script with blanks in its path (none after ten seconds). It
// records them NUL-separated, so blanks and empty arguments survive, once its input has
// ended, under another name first, so a reader never sees half a record.
QStringList argumentsOfALaunchFor(const QString &serverVersion)
{
    QTemporaryDir dir;
    QFile script(dir.filePath(QStringLiteral("installer with blanks.sh")));
    if (script.open(QIODevice::WriteOnly))
        script.write("#!/bin/sh\n"
                     "cat >/dev/null\n"
                     "printf '%s\\0' \"$@\" > \"$0.part\"\n"
                     "mv \"$0.part\" \"$0.arguments\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    launchInstaller(script.fileName(), serverVersion);

    QFile record(script.fileName() + QStringLiteral(".arguments"));
    if (!waitFor([&] { return record.exists(); }, 10000) || !record.open(QIODevice::ReadOnly))
        return {};
    QStringList arguments = QString::fromLocal8Bit(record.readAll()).split(QChar(0));
    arguments.removeLast(); // every argument ends with a NUL
    return arguments;
}

} // namespace

TEST(InstallerLaunch, PassesTheServerVersionAsOneArgumentAndReportsNoMissingProgram)
{
    launchInstaller(QStringLiteral("/nonexistent/kitwrightsuite"), QStringLiteral("8.4"));
    for (const QString &version : {QStringLiteral("8.4"), QString(), QStringLiteral("8.4 beta 2")})
        EXPECT_EQ(argumentsOfALaunchFor(version), QStringList{"--server=" + version});
    for (QWidget *widget : QApplication::topLevelWidgets())
        EXPECT_FALSE(widget->isVisible()) << widget->metaObject()->className();
}

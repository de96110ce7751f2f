#include "recording_installer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

RecordingInstaller::RecordingInstaller()
    : scriptPath_(QDir(dir_.path()).filePath(QStringLiteral("installer with blanks.sh"))),
      recordPath_(QDir(dir_.path()).filePath(QStringLiteral("arguments")))
{
    // NUL-separated, so blanks and empty arguments survive; written under another name
    // and renamed, so a reader never sees half a record.
    QFile script(scriptPath_);
    if (!script.open(QIODevice::WriteOnly))
        return;
    script.write("#!/bin/sh\n"
                 "record=\"$(dirname \"$0\")/arguments\"\n"
                 "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$record.part\"\n"
                 "mv \"$record.part\" \"$record\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool RecordingInstaller::hasRun() const
{
    return QFile::exists(recordPath_);
}

std::optional<QStringList> RecordingInstaller::waitForArguments(int timeoutMs) const
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!hasRun()) {
        if (deadline.hasExpired())
            return std::nullopt;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    QFile record(recordPath_);
    if (!record.open(QIODevice::ReadOnly))
        return std::nullopt;
    QStringList arguments;
    const QList<QByteArray> fields = record.readAll().split('\0');
    // Every argument ends with a NUL, so the last field is the empty rest.
    for (int i = 0; i + 1 < fields.size(); ++i)
        arguments << QString::fromLocal8Bit(fields.at(i));
    return arguments;
}

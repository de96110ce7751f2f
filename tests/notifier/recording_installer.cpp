#include "recording_installer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

RecordingInstaller::RecordingInstaller()
{
    // NUL-separated, so blanks and empty arguments survive; written under another name and
    // renamed, so a reader never sees half a record. Recorded once its input has ended.
    QFile script(command());
    if (script.open(QIODevice::WriteOnly))
        script.write("#!/bin/sh\n"
                     "record=\"$(dirname \"$0\")/arguments\"\n"
                     "cat >/dev/null\n"
                     "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > \"$record.part\"\n"
                     "mv \"$record.part\" \"$record\"\n");
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

bool RecordingInstaller::hasRun() const
{
    return QFile::exists(dir_.filePath(QStringLiteral("arguments")));
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
    QFile record(dir_.filePath(QStringLiteral("arguments")));
    if (!record.open(QIODevice::ReadOnly))
        return std::nullopt;
    QList<QByteArray> fields = record.readAll().split('\0');
    fields.removeLast(); // every argument ends with a NUL
    QStringList arguments;
    for (const QByteArray &field : fields)
        arguments << QString::fromLocal8Bit(field);
    return arguments;
}

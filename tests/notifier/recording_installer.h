#ifndef FRESHWELL_TESTS_RECORDING_INSTALLER_H
#define FRESHWELL_TESTS_RECORDING_INSTALLER_H

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A stand-in for the add-on installer: a shell script that writes the arguments it was
// started with to a file next to it.
class RecordingInstaller
{
public:
    RecordingInstaller();
    QString command() const { return scriptPath_; }
    // The arguments of the first run, once it has written them; nothing after timeoutMs.
    std::optional<QStringList> waitForArguments(int timeoutMs = 10000) const;
    bool hasRun() const;

private:
    QTemporaryDir dir_;
    QString scriptPath_;
    QString recordPath_;
};

#endif

#ifndef FRESHWELL_TESTS_RECORDING_INSTALLER_H
#define FRESHWELL_TESTS_RECORDING_INSTALLER_H

#include <QStringList>
#include <QTemporaryDir>

#include <optional>

// A stand-in for the add-on installer: a script, with blanks in its path, that records the
// arguments it was started with.
class RecordingInstaller
{
public:
    RecordingInstaller();
    QString command() const { return dir_.filePath(QStringLiteral("installer with blanks.sh")); }
    bool hasRun() const;
    // The arguments of the first run, once recorded; nothing after timeoutMs.
    std::optional<QStringList> waitForArguments(int timeoutMs = 10000) const;

private:
    QTemporaryDir dir_;
};

#endif

// The registry reads of a check: HKEY_LOCAL_MACHINE, or its INI stand-in off Windows.
#ifndef FRESHWELL_REGISTRY_SETTINGS_H
#define FRESHWELL_REGISTRY_SETTINGS_H

#include <QString>

#include <memory>

class QSettings;

// Settings rooted at HKEY_LOCAL_MACHINE. On Windows this is the registry itself; elsewhere
// an INI file stands in for it: $FRESHWELL_REGISTRY when set, else
// /etc/freshwell/HKEY_LOCAL_MACHINE.ini.
std::unique_ptr<QSettings> openLocalMachineSettings();

// The INI file that stands in for HKEY_LOCAL_MACHINE off Windows.
QString localMachineIniPath();

// The value at path ("KEY/SUBKEY/Value", slash-separated) as the text that was written, or
// empty text when it is missing.
QString readRegistryText(const QSettings &settings, const QString &path);

#endif

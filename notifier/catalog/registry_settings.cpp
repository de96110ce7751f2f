// The registry reads of a check: HKEY_LOCAL_MACHINE, or its INI stand-in off Windows.
#include "registry_settings.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

std::unique_ptr<QSettings> openLocalMachineSettings()
{
#ifdef _WIN32
    return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE"),
                                       QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(localMachineIniPath(), QSettings::IniFormat);
#endif
}

QString localMachineIniPath()
{
    const QString fromEnvironment = qEnvironmentVariable("FRESHWELL_REGISTRY");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStringLiteral("/etc/freshwell/HKEY_LOCAL_MACHINE.ini");
}

QString readRegistryText(const QSettings &settings, const QString &path)
{
    // Read as the settings layer reads it (it folds doubled, leading and trailing
    // separators), so that nothing it would find is taken for not installed.
    const QVariant value = settings.value(path);
    // An INI value with unquoted commas reads back as a list; join it so that the text
    // compares as it was written.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

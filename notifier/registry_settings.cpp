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

namespace {

// The settings layer quietly folds empty components and would hand "." and ".." on as key
// names, so such a path could read a value other than the one the catalog names.
bool isPlainPath(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QStringList components = path.split(QLatin1Char('/'), Qt::KeepEmptyParts);
    for (const QString &component : components) {
        if (component.isEmpty() || component == QLatin1String(".") ||
            component == QLatin1String(".."))
            return false;
    }
    return true;
}

} // namespace

QString readRegistryText(const QSettings &settings, const QString &path)
{
    if (!isPlainPath(path))
        return QString();
    const QVariant value = settings.value(path);
    // An INI value with unquoted commas reads back as a list; join it so that the text
    // compares as it was written.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    return value.toString();
}

// The server-version rule of catalog entries.
#include "server_version.h"

#include <QStringList>

namespace {

// Major and minor number of a dotted version; a part that is missing or not a whole
// base-10 number reads as 0.
void readMajorMinor(const QString &version, int &major, int &minor)
{
    const QStringList parts = version.split(QLatin1Char('.'), Qt::KeepEmptyParts);
    major = parts.value(0).toInt(nullptr, 10);
    minor = parts.value(1).toInt(nullptr, 10);
}

} // namespace

bool serverVersionMatches(QString required, const QString &serverVersion)
{
    if (required.isEmpty())
        return true;

    if (!required.endsWith(QLatin1Char('+')))
        return required == serverVersion;

    required.remove(QLatin1Char('+'));
    int requiredMajor = 0;
    int requiredMinor = 0;
    readMajorMinor(required, requiredMajor, requiredMinor);
    int serverMajor = 0;
    int serverMinor = 0;
    readMajorMinor(serverVersion, serverMajor, serverMinor);

    return serverMajor > requiredMajor ||
           (serverMajor == requiredMajor && serverMinor >= requiredMinor);
}

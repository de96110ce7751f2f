// The server-version rule of catalog entries.
#ifndef FRESHWELL_SERVER_VERSION_H
#define FRESHWELL_SERVER_VERSION_H

#include <QString>

// Whether an entry's server requirement ("", "8.4+" or an exact "8.4") fits serverVersion.
bool serverVersionMatches(QString required, const QString &serverVersion);

#endif

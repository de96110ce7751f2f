#ifndef FRESHWELL_CATALOG_CHECK_H
#define FRESHWELL_CATALOG_CHECK_H

#include <QString>

class QDomDocument;
class QDomElement;
class QWidget;

// One update check: downloads the catalog at applicationList, compares every entry with
// the installed versions and returns how many updates apply to serverVersion. Failures
// are reported in a modal box parented to parent and count 0.
int countAvailableUpdates(const QString &applicationList, const QString &serverVersion,
                          QWidget *parent);

// The walk of one check over the catalog's root element: how many of its child nodes are
// entries with an update that applies to serverVersion.
int countApplicableEntries(const QDomElement &applications, const QString &serverVersion);

// Downloads and parses the catalog; the caller owns the result. Null after a reported
// failure.
QDomDocument *downloadCatalog(const QString &applicationList, QWidget *parent);

// Whether an entry's server requirement ("", "8.4+" or an exact "8.4") fits serverVersion.
bool serverVersionMatches(QString required, const QString &serverVersion);

#endif

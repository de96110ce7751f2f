// One update check: how many entries of the catalog are updates that apply here.
#ifndef FRESHWELL_CATALOG_COUNT_H
#define FRESHWELL_CATALOG_COUNT_H

class QDomElement;
class QString;
class QWidget;

// One update check: downloads the catalog at applicationList, compares every entry with
// the installed versions and returns how many updates apply to serverVersion. Failures
// are reported in a modal box parented to parent and count 0.
int countAvailableUpdates(const QString &applicationList, const QString &serverVersion,
                          QWidget *parent);

// The walk of one check over the catalog's root element: how many of its child nodes are
// entries with an update that applies to serverVersion.
int countApplicableEntries(const QDomElement &applications, const QString &serverVersion);

#endif

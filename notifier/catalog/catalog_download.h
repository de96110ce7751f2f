// The catalog download: fetch, redirections, limits and parse, with the failure boxes.
#ifndef FRESHWELL_CATALOG_DOWNLOAD_H
#define FRESHWELL_CATALOG_DOWNLOAD_H

class QDomDocument;
class QString;
class QWidget;

// Downloads and parses the catalog; the caller owns the result. Null after a reported
// failure.
QDomDocument *downloadCatalog(const QString &applicationList, QWidget *parent);

#endif

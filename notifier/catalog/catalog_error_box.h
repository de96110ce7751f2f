// The failure box of a check.
#ifndef FRESHWELL_CATALOG_ERROR_BOX_H
#define FRESHWELL_CATALOG_ERROR_BOX_H

class QString;
class QWidget;

// The modal "Error" box of a failed check: critical icon, OK only, no default button.
// Returns once the user has closed it.
void showCatalogError(QWidget *parent, const QString &text);

#endif

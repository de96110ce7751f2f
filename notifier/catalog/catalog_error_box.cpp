// The failure box of a check.
#include "catalog_error_box.h"

#include "dialog_tr.h"

#include <QMessageBox>

void showCatalogError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, dialogTr("Error"), text, QMessageBox::Ok, QMessageBox::NoButton);
}

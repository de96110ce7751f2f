#include "catalog_error_box.h"

#include <QCoreApplication>
#include <QMessageBox>

void showCatalogError(QWidget *parent, const QString &text)
{
    QMessageBox::critical(parent, QCoreApplication::translate("UpdateDialog", "Error"), text,
                          QMessageBox::Ok, QMessageBox::NoButton);
}

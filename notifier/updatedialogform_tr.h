#ifndef FRESHWELL_UPDATEDIALOGFORM_TR_H
#define FRESHWELL_UPDATEDIALOGFORM_TR_H

#include <QCoreApplication>
#include <QString>

// uic names the translation context after the form class; the form's texts belong to the
// dialog that carries it, so they are translated in the context "UpdateDialog".
inline QString updateDialogTr(const char *sourceText, const char *disambiguation)
{
    return QCoreApplication::translate("UpdateDialog", sourceText, disambiguation);
}

#endif

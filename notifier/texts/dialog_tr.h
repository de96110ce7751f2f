// The translation of Freshwell's user texts.
#ifndef FRESHWELL_DIALOG_TR_H
#define FRESHWELL_DIALOG_TR_H

#include <QCoreApplication>
#include <QString>

// Every text the user sees, but the start-up boxes and the no-tray box, is translated in the
// context "UpdateDialog", the notifier's one object: those of the check's boxes, of the
// notification and of the dialog's form (uic calls this in place of its own function, which
// would name the context after the form class).
inline QString dialogTr(const char *sourceText, const char *disambiguation = nullptr)
{
    return QCoreApplication::translate("UpdateDialog", sourceText, disambiguation);
}

#endif

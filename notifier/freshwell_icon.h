#ifndef FRESHWELL_FRESHWELL_ICON_H
#define FRESHWELL_FRESHWELL_ICON_H

#include <QIcon>

// The program's icon: the 16 px resource ":Freshwell16.png" and the same picture drawn at
// 22, 24, 32 and 48 px, so that a panel of any height or a notification shows it crisp
// instead of scaling the small one up.
QIcon freshwellIcon();

#endif

// The program's icon at every panel size.
#ifndef FRESHWELL_FRESHWELL_ICON_H
#define FRESHWELL_FRESHWELL_ICON_H

#include <QIcon>
#include <QImage>

// The program's icon: the 16 px resource ":Freshwell16.png" and the same picture drawn at
// 22, 24, 32 and 48 px, so that a panel of any height or a notification shows it crisp
// instead of scaling the small one up.
QIcon freshwellIcon();

// The picture at one of those sizes, exactly as drawn (a pixmap of the icon would be
// premultiplied and lose colour at the soft edges); a null image at any other size.
QImage freshwellImage(int size);

#endif

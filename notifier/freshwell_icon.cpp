#include "freshwell_icon.h"

#include <QString>

QIcon freshwellIcon()
{
    // The resources live in a static library; this keeps their object linked in.
    Q_INIT_RESOURCE(freshwell_icons);

    QIcon icon(QStringLiteral(":Freshwell16.png"));
    for (const int size : {22, 24, 32, 48})
        icon.addFile(QStringLiteral(":/icons/Freshwell%1.png").arg(size), QSize(size, size));
    return icon;
}

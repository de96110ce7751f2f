// The program's icon at every panel size, from the resources.
#include "freshwell_icon.h"

#include <QString>

namespace {

const int kLargerSizes[] = {22, 24, 32, 48};

QString iconFile(int size)
{
    return size == 16 ? QStringLiteral(":Freshwell16.png")
                      : QStringLiteral(":/icons/Freshwell%1.png").arg(size);
}

} // namespace

QIcon freshwellIcon()
{
    // The resources live in a static library; this keeps their object linked in.
    Q_INIT_RESOURCE(freshwell_icons);

    QIcon icon(iconFile(16));
    for (const int size : kLargerSizes)
        icon.addFile(iconFile(size), QSize(size, size));
    return icon;
}

QImage freshwellImage(int size)
{
    Q_INIT_RESOURCE(freshwell_icons);
    return QImage(iconFile(size));
}

#include "freshwell_icon.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(FreshwellIcon, ComesAtEveryPanelSizeWithTransparency)
{
    Q_INIT_RESOURCE(freshwell); // as main() does
    const QList<QSize> sizes{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}};
    EXPECT_EQ(freshwellIcon().availableSizes(), sizes);
    for (const QSize &size : sizes) {
        const QImage image = freshwellImage(size.width());
        EXPECT_EQ(image.size(), size);
        EXPECT_TRUE(image.hasAlphaChannel()) << size.width();
    }
}

#include "freshwell_icon.h"
#include "ui_updatedialogform.h"
#include "updatedialog.h"

#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QResource>

#include <gtest/gtest.h>

TEST(UpdateDialogForm, IsBuiltHiddenWithTheDownloadFormAsLaidOut)
{
    UpdateDialog dialog(QStringLiteral("http://127.0.0.1:9/applications.xml"),
                        QStringLiteral("8.4"), QStringLiteral("kitwrightsuite"), false);
    QCoreApplication::processEvents();

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.objectName(), "UpdateDialog");
    EXPECT_EQ(dialog.windowTitle(), "Corvanta Standard Server Freshwell");
    auto *cancel = dialog.findChild<QPushButton *>("btnCancel");
    auto *save = dialog.findChild<QPushButton *>("btnSave");
    auto *install = dialog.findChild<QPushButton *>("btnInstall");
    auto *status = dialog.findChild<QLabel *>("lblStatus");
    auto *progress = dialog.findChild<QProgressBar *>("progressBar");
    ASSERT_TRUE(cancel && save && install && status && progress);
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(install->isEnabled());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(status->text(), "0KB of 0KB downloaded (0KB/sec)");

    // Designer's default margin is set first; the form's own margins must win.
    ASSERT_TRUE(dialog.layout());
    EXPECT_EQ(dialog.layout()->contentsMargins(), QMargins(10, 10, 10, 8));

    // Rows are added bottom-up, so creation order and grid rows are easy to get crossed.
    auto *grid = dialog.findChild<QGridLayout *>("gridLayout");
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->itemAtPosition(1, 0)->widget(), progress);
    EXPECT_EQ(grid->itemAtPosition(2, 0)->widget(), status);
    QStringList widgetOrder;
    for (QObject *object : dialog.children())
        if (object->isWidgetType() && !object->objectName().isEmpty())
            widgetOrder << object->objectName();
    EXPECT_EQ(widgetOrder, QStringList({"btnCancel", "btnSave", "btnInstall", "lblStatus",
                                        "progressBar", "lblTitle"}));
}

TEST(UpdateDialogForm, KeepsAnObjectNameTheDialogAlreadyHas)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("Custom"));
    Ui::UpdateDialogForm form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "Custom");
}

TEST(FreshwellIcon, IsA16PixelImageWithTransparencyStoredUncompressed)
{
    Q_INIT_RESOURCE(freshwell);
    const QImage image(QStringLiteral(":Freshwell16.png"));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSize(16, 16));
    EXPECT_TRUE(image.hasAlphaChannel());
    // A badge on a clear ground: transparent corners, an opaque middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(8, 8)), 255);
    EXPECT_EQ(QResource(QStringLiteral(":/Freshwell16.png")).compressionAlgorithm(),
              QResource::NoCompression);
}

TEST(FreshwellIcon, ComesAtEveryPanelSizeAsTheSamePicture)
{
    const QList<QSize> sizes{{16, 16}, {22, 22}, {24, 24}, {32, 32}, {48, 48}};
    EXPECT_EQ(freshwellIcon().availableSizes(), sizes);
    for (const QSize &size : sizes) {
        SCOPED_TRACE(size.width());
        const QImage image = freshwellImage(size.width());
        ASSERT_EQ(image.size(), size);
        const int s = size.width();
        // Clear corner, the arrow's white shaft, the blue badge beside it.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
        EXPECT_EQ(image.pixel(s / 2, s * 3 / 4), qRgba(255, 255, 255, 255));
        const QRgb badge = image.pixel(s * 3 / 16, s * 3 / 4);
        EXPECT_EQ(qAlpha(badge), 255);
        EXPECT_GT(qBlue(badge), qRed(badge) + 100);
    }
}

#include "ui_updatedialogform.h"
#include "updatedialog.h"

#include <QApplication>
#include <QGridLayout>
#include <QImage>
#include <QLabel>
#include <QMetaMethod>
#include <QProgressBar>
#include <QPushButton>
#include <QResource>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<UpdateDialog> makeDialog()
{
    return std::make_unique<UpdateDialog>(QStringLiteral("http://127.0.0.1:9/applications.xml"),
                                          QStringLiteral("8.4"), QStringLiteral("kitwrightsuite"),
                                          false);
}

template <typename T> T *child(QObject *parent, const char *name)
{
    return parent->findChild<T *>(QLatin1String(name));
}

// Marks every text it translates with its context, so a test sees which context asked.
class ContextMarkingTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        return QLatin1String(context) + QLatin1Char('|') + QString::fromUtf8(sourceText);
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(UpdateDialogForm, IsBuiltHiddenWithTheDownloadFormAsLaidOut)
{
    auto dialog = makeDialog();
    QCoreApplication::processEvents();

    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->objectName(), "UpdateDialog");
    EXPECT_EQ(dialog->windowTitle(), "Corvanta Standard Server Freshwell");
    auto *cancel = child<QPushButton>(dialog.get(), "btnCancel");
    auto *save = child<QPushButton>(dialog.get(), "btnSave");
    auto *install = child<QPushButton>(dialog.get(), "btnInstall");
    auto *status = child<QLabel>(dialog.get(), "lblStatus");
    auto *progress = child<QProgressBar>(dialog.get(), "progressBar");
    ASSERT_TRUE(cancel && save && install && status && progress);
    EXPECT_TRUE(cancel->isEnabled());
    EXPECT_FALSE(save->isEnabled());
    EXPECT_FALSE(install->isEnabled());
    EXPECT_EQ(progress->value(), 0);
    EXPECT_EQ(status->text(), "0KB of 0KB downloaded (0KB/sec)");

    // Designer's default margin is set first; the form's own margins must win.
    ASSERT_TRUE(dialog->layout());
    EXPECT_EQ(dialog->layout()->contentsMargins(), QMargins(10, 10, 10, 8));

    // Rows are added bottom-up, so creation order and grid rows are easy to get crossed.
    auto *grid = child<QGridLayout>(dialog.get(), "gridLayout");
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->itemAtPosition(1, 0)->widget(), progress);
    EXPECT_EQ(grid->itemAtPosition(2, 0)->widget(), status);
    QStringList widgetOrder;
    for (QObject *object : dialog->children())
        if (object->isWidgetType() && !object->objectName().isEmpty())
            widgetOrder << object->objectName();
    EXPECT_EQ(widgetOrder, QStringList({"btnCancel", "btnSave", "btnInstall", "lblStatus",
                                        "progressBar", "lblTitle"}));
}

TEST(UpdateDialogForm, HasOnlyTheTwoPrivateSlotsSoNoButtonIsConnected)
{
    const QMetaObject &meta = UpdateDialog::staticMetaObject;
    EXPECT_STREQ(meta.className(), "UpdateDialog");
    ASSERT_EQ(meta.methodCount() - meta.methodOffset(), 2);
    const QMetaMethod first = meta.method(meta.methodOffset());
    const QMetaMethod second = meta.method(meta.methodOffset() + 1);
    EXPECT_EQ(first.methodSignature(), "updateCheck()");
    EXPECT_EQ(second.methodSignature(), "runKitwright()");
    EXPECT_EQ(first.access(), QMetaMethod::Private);
    EXPECT_EQ(second.access(), QMetaMethod::Private);
    EXPECT_EQ(meta.propertyCount(), meta.propertyOffset());
}

TEST(UpdateDialogForm, KeepsAnObjectNameTheDialogAlreadyHas)
{
    QDialog dialog;
    dialog.setObjectName(QStringLiteral("Custom"));
    Ui::UpdateDialogForm form;
    form.setupUi(&dialog);
    EXPECT_EQ(dialog.objectName(), "Custom");
}

TEST(UpdateDialogForm, TextsAreTranslatedInTheDialogsContext)
{
    ContextMarkingTranslator translator;
    QCoreApplication::installTranslator(&translator);
    auto dialog = makeDialog();
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(dialog->windowTitle(), "UpdateDialog|Corvanta Standard Server Freshwell");
    EXPECT_EQ(child<QPushButton>(dialog.get(), "btnInstall")->text(), "UpdateDialog|&Install");
    EXPECT_EQ(child<QLabel>(dialog.get(), "lblStatus")->text(),
              "UpdateDialog|0KB of 0KB downloaded (0KB/sec)");
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

    const QResource resource(QStringLiteral(":/Freshwell16.png"));
    EXPECT_EQ(resource.compressionAlgorithm(), QResource::NoCompression);
}

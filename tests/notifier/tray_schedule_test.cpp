// UpdateDialog with a real system tray (under with-tray-host.sh); checks run when the test says.
#include "check_schedule_recorder.h"
#include "freshwell_test_support.h"
#include "updatedialog.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

namespace {

// Waits for a showing balloon with this title and text.
void expectBalloon(const QString &title, const QString &text)
{
    QStringList texts;
    EXPECT_TRUE(waitFor([&] {
        texts.clear();
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (widget->inherits("QBalloonTip") && widget->isVisible())
                for (QLabel *label : widget->findChildren<QLabel *>())
                    texts << label->text();
        return texts.contains(title) && texts.contains(text);
    })) << texts.join('\n').toStdString();
}

} // namespace

TEST(TraySchedule, ChecksRearmUntilAnAnnouncementAndAgainHalfAnHourAfterTheInstallerStarts)
{
    CatalogServer server;
    ASSERT_TRUE(server.isRunning());
    ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
    RegistryFile registry{"[SOFTWARE\\App]\nVersion=1.0\n"};
    BoxCloser boxes;
    UpdateDialog dialog(server.url(QStringLiteral("applications.xml")), QStringLiteral("9.1"),
                        QStringLiteral("/nonexistent/installer"), true);
    constexpr int day = 86400000;

    // No catalog yet: the failed check re-arms only once its box is closed.
    size_t boxesWhenArmed = 0;
    CheckSchedule::onArm = [&] { boxesWhenArmed = boxes.boxes().size(); };
    CheckSchedule::runLast();
    CheckSchedule::onArm = nullptr;
    EXPECT_EQ(boxesWhenArmed, 1u);
    server.put(QStringLiteral("applications.xml"), catalogOffering(0));
    CheckSchedule::runLast();
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day, day}));
    EXPECT_TRUE(dialog.findChildren<QSystemTrayIcon *>().isEmpty());

    // No check is armed while the announcement stands.
    const QString tail = QStringLiteral(" available for your Corvanta Standard Server "
                                        "installation.\n\nRight-click the tray icon to "
                                        "download and install.");
    server.put(QStringLiteral("applications.xml"), catalogOffering(1));
    CheckSchedule::runLast();
    expectBalloon("Update available!", "There is 1 update" + tail);
    QSystemTrayIcon *icon = dialog.findChild<QSystemTrayIcon *>();
    ASSERT_TRUE(icon);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day, day}));

    const QList<QAction *> entries = icon->contextMenu()->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), "&Install updates");
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[2]->text(), "&Quit");
    entries[0]->trigger();
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day, day, 1800000}));

    // Updates still there half an hour later: the same icon comes back.
    server.put(QStringLiteral("applications.xml"), catalogOffering(2));
    CheckSchedule::runLast();
    expectBalloon("Updates available!", "There are 2 updates" + tail);
    EXPECT_EQ(dialog.findChildren<QSystemTrayIcon *>(), QList<QSystemTrayIcon *>{icon});
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day, day, 1800000}));
    EXPECT_EQ(boxes.boxes().size(), 1u);
}

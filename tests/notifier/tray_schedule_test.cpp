// UpdateDialog with a real system tray (run under with-tray-host.sh); each check runs when
// the test says.
#include "catalog_test_support.h"
#include "check_schedule_recorder.h"
#include "recording_installer.h"
#include "updatedialog.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMenu>
#include <QSystemTrayIcon>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A catalog that offers version 2.0 of the first `updates` of three applications installed
// at 1.0, and 1.0 of the others.
QByteArray catalogWithUpdates(int updates)
{
    QByteArray xml = "<applications>\n";
    for (int i = 1; i <= 3; ++i)
        xml += "<application><platform>windows</platform><versionkey>SOFTWARE\\Example\\App" +
               QByteArray::number(i) + "\\Version</versionkey><version>" +
               (i <= updates ? "2.0" : "1.0") + "</version></application>\n";
    return xml + "</applications>\n";
}

void waitFor(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!condition() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

QWidget *visibleBalloon()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits("QBalloonTip") && widget->isVisible())
            return widget;
    return nullptr;
}

class TraySchedule : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CheckSchedule::clear();
        ASSERT_TRUE(server.isRunning());
        ASSERT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
    }

    void TearDown() override
    {
        dialog.reset();
        CheckSchedule::clear();
    }

    void start(int updates, const QString &serverVersion = QStringLiteral("8.4"),
               const QString &catalogPath = QStringLiteral("applications.xml"))
    {
        server.put(QStringLiteral("applications.xml"), catalogWithUpdates(updates));
        dialog = std::make_unique<UpdateDialog>(server.url(catalogPath), serverVersion,
                                                installer.command(), true);
        ASSERT_EQ(CheckSchedule::delays(), std::vector<int>({1}));
    }

    QSystemTrayIcon *trayIcon() const
    {
        const auto icons = dialog->findChildren<QSystemTrayIcon *>();
        return icons.size() == 1 ? icons.first() : nullptr;
    }

    // Runs the armed check, expected to announce updates, and waits for the balloon.
    QSystemTrayIcon *announce()
    {
        CheckSchedule::runLast();
        waitFor([] { return visibleBalloon() != nullptr; });
        return trayIcon();
    }

    CatalogServer server;
    RegistryFile registry{"[SOFTWARE\\Example\\App1]\nVersion=1.0\n"
                          "[SOFTWARE\\Example\\App2]\nVersion=1.0\n"
                          "[SOFTWARE\\Example\\App3]\nVersion=1.0\n"};
    RecordingInstaller installer;
    BoxCloser boxes;
    std::unique_ptr<UpdateDialog> dialog;
};

} // namespace

TEST_F(TraySchedule, FailedOrEmptyChecksRearmForTheNextDayWithoutAnIcon)
{
    start(0, QStringLiteral("8.4"), QStringLiteral("later.xml"));
    // A failed check re-arms only once its box is closed.
    size_t boxesWhenArmed = 0;
    CheckSchedule::onArm = [&](const ArmedCheck &) { boxesWhenArmed = boxes.boxes().size(); };
    CheckSchedule::runLast();
    EXPECT_EQ(boxesWhenArmed, 1u);
    server.put(QStringLiteral("later.xml"), catalogWithUpdates(0));
    CheckSchedule::runLast();
    EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({1, 86400000, 86400000}));
    EXPECT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(trayIcon(), nullptr);
    EXPECT_FALSE(dialog->isVisible());
}

TEST_F(TraySchedule, UpdatesShowTheIconWithACountedBalloonAndStopTheChecks)
{
    const QString tail = QStringLiteral(" available for your Corvanta Standard Server "
                                        "installation.\n\nRight-click the tray icon to "
                                        "download and install.");
    const struct
    {
        int updates;
        QString title;
        QString text;
    } cases[] = {{1, "Update available!", "There is 1 update" + tail},
                 {2, "Updates available!", "There are 2 updates" + tail}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.updates);
        CheckSchedule::clear();
        start(c.updates);
        QSystemTrayIcon *icon = announce();
        ASSERT_TRUE(icon);
        EXPECT_TRUE(icon->isVisible());
        EXPECT_FALSE(dialog->isVisible());

        QStringList texts;
        waitFor([&] {
            texts.clear();
            if (QWidget *balloon = visibleBalloon())
                for (QLabel *label : balloon->findChildren<QLabel *>())
                    texts << label->text();
            return texts.contains(c.title) && texts.contains(c.text);
        });
        EXPECT_TRUE(texts.contains(c.title)) << texts.join('\n').toStdString();
        EXPECT_TRUE(texts.contains(c.text)) << texts.join('\n').toStdString();

        EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({1}));
        EXPECT_FALSE(installer.hasRun());
    }
}

TEST_F(TraySchedule, InstallFromTheMenuStartsTheInstallerAndRechecksLater)
{
    start(1, QStringLiteral("9.1"));
    QSystemTrayIcon *icon = announce();
    ASSERT_TRUE(icon);
    const QList<QAction *> entries = icon->contextMenu()->actions();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0]->text(), "&Install updates");
    EXPECT_TRUE(entries[1]->isSeparator());
    EXPECT_EQ(entries[2]->text(), "&Quit");

    entries[0]->trigger();
    EXPECT_FALSE(icon->isVisible());
    EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({1, 1800000}));
    EXPECT_EQ(installer.waitForArguments(), QStringList{"--server=9.1"});

    // Still there half an hour later: the same icon comes back.
    CheckSchedule::runLast();
    EXPECT_EQ(trayIcon(), icon);
    EXPECT_TRUE(icon->isVisible());
    EXPECT_EQ(CheckSchedule::delays(), std::vector<int>({1, 1800000}));
}

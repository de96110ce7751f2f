// UpdateDialog on a display without a tray (with-tray-host.sh --session-bus), against a
// notification server played in-process on a second connection to the private bus.
#include "check_schedule_recorder.h"
#include "freshwell_test_support.h"
#include "updatedialog.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QSystemTrayIcon>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

class FakeServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList capabilities{QStringLiteral("actions")};
    QList<QVariantList> posts; // Notify's arguments but the hints

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &app, uint replaces, const QString &icon, const QString &title,
                const QString &text, const QStringList &actions, const QVariantMap &, int timeout)
    {
        posts.append({app, replaces, icon, title, text, actions, timeout});
        return 5;
    }
    void CloseNotification(uint) {}
};

QDBusConnection serverBus()
{
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("server"));
}

void emitSignal(const QString &member, const QVariantList &arguments,
                QDBusConnection bus = serverBus())
{
    QDBusMessage signal =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                   QStringLiteral("org.freedesktop.Notifications"), member);
    signal.setArguments(arguments);
    bus.send(signal);
}

} // namespace

TEST(NotificationOnly, AnnouncedWithoutIconDismissalArmsTheDayAndAClickInstalls)
{
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    FakeServer server;
    ASSERT_TRUE(serverBus().registerObject(QStringLiteral("/org/freedesktop/Notifications"),
                                           &server, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serverBus().registerService(QStringLiteral("org.freedesktop.Notifications")));
    CatalogServer catalog;
    catalog.put(QStringLiteral("applications.xml"), catalogOffering(1));
    RegistryFile registry{"[SOFTWARE\\App]\nVersion=1.0\n"};
    BoxCloser boxes;
    UpdateDialog dialog(catalog.url(QStringLiteral("applications.xml")), QStringLiteral("9.1"),
                        QStringLiteral("/nonexistent/installer"), true);
    constexpr int day = 86400000;
    const QVariantList announcement{
        "Freshwell",
        0u,
        "freshwell",
        "Update available!",
        "There is 1 update available for your Corvanta Standard Server installation.\n\n"
        "Click \"Install updates\" to download and install.",
        QStringList{"default", "", "install", "Install updates"},
        0};

    // Dismissed: the announcement no longer stands, so the next day's check is armed. A click
    // sent first from another name than the server's is not the server's word: ignored.
    CheckSchedule::runLast();
    ASSERT_TRUE(waitFor([&] { return server.posts.size() == 1; }));
    EXPECT_EQ(server.posts[0], announcement);
    EXPECT_TRUE(dialog.findChildren<QSystemTrayIcon *>().isEmpty());
    QDBusConnection stranger = QDBusConnection::sessionBus();
    emitSignal(QStringLiteral("ActionInvoked"), {5u, QStringLiteral("install")}, stranger);
    stranger.interface()->serviceOwner(QStringLiteral("org.freedesktop.Notifications")); // flush
    emitSignal(QStringLiteral("NotificationClosed"), {5u, 2u});
    EXPECT_TRUE(waitFor([] { return CheckSchedule::delays.size() == 2; }));
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day}));

    // Announced again, a click starts the installer and arms the half-hour check.
    CheckSchedule::runLast();
    ASSERT_TRUE(waitFor([&] { return server.posts.size() == 2; }));
    EXPECT_EQ(server.posts[1], announcement);
    emitSignal(QStringLiteral("ActionInvoked"), {5u, QStringLiteral("install")});
    EXPECT_TRUE(waitFor([] { return CheckSchedule::delays.size() == 3; }));
    EXPECT_EQ(CheckSchedule::delays, std::vector<int>({1, day, 1800000}));

    // A server without buttons cannot carry it: the box, and the program is told to end.
    server.capabilities = {QStringLiteral("body")};
    serverBus().unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    serverBus().registerService(QStringLiteral("org.freedesktop.Notifications"));
    CheckSchedule::runLast();
    EXPECT_TRUE(waitFor([&] { return !boxes.boxes().empty(); }));
    EXPECT_EQ(server.posts.size(), 2);
}

#include "notification_only_test.moc"

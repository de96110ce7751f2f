#include "catalog_count.h"
#include "catalog_download_limits.h"
#include "freshwell_test_support.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QProcess>
#include <QSslConfiguration>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString networkPrefix = QStringLiteral("An error occured checking the update catalog:\n\n");
const QString parsePrefix = QStringLiteral("An error occured parsing the update catalog:\n\n");

class CatalogDownload : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isRunning());
        server.put("catalog.xml", catalogOffering(2));
    }

    int count(const QString &path)
    {
        return countAvailableUpdates(server.url(path), "8.4", &window);
    }

    // Runs a check that must fail and returns the text of the one box it showed.
    QString failedCheck(const QString &path)
    {
        const size_t before = closer.boxes().size();
        EXPECT_EQ(count(path), 0) << path.toStdString();
        EXPECT_EQ(closer.boxes().size(), before + 1) << path.toStdString();
        return closer.boxes().size() > before ? closer.boxes().back().text : QString();
    }

    CatalogServer server;
    RegistryFile registry{"[SOFTWARE\\App]\nVersion=\"1.0\xc3\xa9\xe2\x82\xac\"\n"};
    QDialog window;
    BoxCloser closer;
};

TEST_F(CatalogDownload, FailuresShowAModalCriticalOkOnlyBoxOnTheGivenWindow)
{
    EXPECT_TRUE(failedCheck("status/404").startsWith(networkPrefix));
    const BoxRecord &box = closer.boxes().back();
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.parent, &window);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(box.text.contains("Not Found")) << box.text.toStdString();

    for (const char *body : {"<application><a><platform>windows</platform></a></application>",
                             "<Applications/>", "<c:applications xmlns:c='urn:x'/>"}) {
        server.put("body.xml", body);
        EXPECT_EQ(failedCheck("body.xml"),
                  networkPrefix + "The <applications> root node could not be found.");
    }
    // An encoding the parser does not know, or bytes that are not what the declaration says.
    for (const char *body : {"<applications><a></applications>", "no catalog here", "",
                             "<?xml version='1.0' encoding='x-no-such'?>\n<applications/>",
                             "<?xml version='1.0' encoding='UTF-8'?>\n<applications>"
                             "<a><platform>windows\xff\xfe</platform></a></applications>"}) {
        server.put("body.xml", body);
        const QString text = failedCheck("body.xml");
        EXPECT_TRUE(text.startsWith(parsePrefix)) << body << ": " << text.toStdString();
        EXPECT_GT(text.size(), parsePrefix.size()) << body;
    }
}

TEST_F(CatalogDownload, DeclaredEncodingsAreHonoured)
{
    // Each body spells the registry's UTF-8 text "1.0é€" in its own encoding (the euro sign
    // as a character reference where the encoding has none): up to date, no count.
    const std::pair<const char *, QByteArray> versions[] = {{"ISO-8859-1", "1.0\xe9&#x20AC;"},
                                                            {"windows-1252", "1.0\xe9\x80"},
                                                            {"US-ASCII", "1.0&#xE9;&#x20AC;"},
                                                            {"utf-8", "1.0\xc3\xa9\xe2\x82\xac"}};
    for (const auto &[encoding, version] : versions) {
        server.put("encoded.xml", QByteArray("<?xml version='1.0' encoding='") + encoding +
                                      "'?>\n" +
                                      catalogOffering(1, "SOFTWARE\\App\\Version", version));
        EXPECT_EQ(count("encoded.xml"), 0) << encoding;
    }
    EXPECT_TRUE(closer.boxes().empty());
}

TEST_F(CatalogDownload, RedirectionsAreFollowedUpToTenAndOnlyTheLastBodyIsParsed)
{
    // Each redirection carries a body that is not XML, so parsing one would show a box.
    EXPECT_EQ(count("chain/10/catalog.xml"), 2);
    EXPECT_EQ(count("redirect?to=catalog.xml"), 2); // relative to the giver
    EXPECT_EQ(count("redirect?to=./chain/1/catalog.xml&code=307"), 2);
    EXPECT_EQ(count("redirect?to=" + server.url("catalog.xml") + "&code=301"), 2);
    EXPECT_TRUE(closer.boxes().empty());

    // A redirection status that names no target is the final reply: its body is parsed.
    for (const char *code : {"301", "302", "303", "307", "308"})
        EXPECT_TRUE(failedCheck(QStringLiteral("redirect?code=") + code).startsWith(parsePrefix))
            << code;

    for (const char *path : {"chain/11/catalog.xml", "loop"})
        EXPECT_EQ(failedCheck(path),
                  networkPrefix + "The server redirected the request more than 10 times.");
    // Only http and https are followed.
    const QString text = failedCheck("redirect?to=file:///etc/hostname");
    EXPECT_TRUE(text.startsWith(networkPrefix) && text.contains("file:///etc/hostname"))
        << text.toStdString();

    // Up to https, never down from it.
    QTemporaryDir keys;
    const QString certificate = keys.filePath("cert.pem"), key = keys.filePath("key.pem");
    ASSERT_EQ(
        QProcess::execute("openssl", {"req", "-x509", "-newkey", "ec", "-pkeyopt",
                                      "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                                      "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                                      "-days", "2", "-keyout", key, "-out", certificate}),
        0);
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.addCaCertificates(certificate);
    QSslConfiguration::setDefaultConfiguration(tls);
    CatalogServer secure(certificate, key);
    ASSERT_TRUE(secure.isRunning());
    secure.put("catalog.xml", "<applications/>");
    EXPECT_EQ(count("redirect?to=" + secure.url("redirect?to=catalog.xml")), 0);
    const QString plain = server.url("catalog.xml");
    EXPECT_EQ(countAvailableUpdates(secure.url("redirect?to=" + plain), "8.4", &window), 0);
    ASSERT_EQ(closer.boxes().size(), 9u);
    EXPECT_EQ(closer.boxes().back().text,
              networkPrefix + "The server redirected the request from a secure address to " +
                  plain + ", which is not secure.");
}

TEST_F(CatalogDownload, StalledOrOversizedTransfersAreAbandoned)
{
    const auto saved = catalogStallTimeout();
    EXPECT_EQ(saved, std::chrono::minutes(5));
    setCatalogStallTimeout(std::chrono::milliseconds(400));
    for (const char *path : {"stall", "stall?bytes=20"}) {
        QElapsedTimer clock;
        clock.start();
        const QString text = failedCheck(path);
        EXPECT_LT(clock.elapsed(), 10000) << path;
        EXPECT_TRUE(text.startsWith(networkPrefix + "The server sent no data for"))
            << text.toStdString();
    }
    // A byte every 0.1 s keeps clear of the stall timer, not of the deadline.
    const auto savedDeadline = catalogDeadline();
    EXPECT_EQ(savedDeadline, std::chrono::minutes(10));
    setCatalogDeadline(std::chrono::milliseconds(2000));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(failedCheck("trickle?every=0.1"),
              networkPrefix + "The download did not end within 2 seconds; it was stopped.");
    EXPECT_LT(clock.elapsed(), 10000);
    setCatalogDeadline(savedDeadline);
    setCatalogStallTimeout(saved);

    const QString tooLarge = networkPrefix + "The update catalog is larger than 64 MB.";
    // Announced by Content-Length, and discovered while reading when the length is not given.
    EXPECT_EQ(failedCheck("huge/200"), tooLarge);
    EXPECT_EQ(failedCheck("huge/200?length=0"), tooLarge);
    // Just under the cap is still read and parsed.
    EXPECT_EQ(count("huge/63"), 0);
    ASSERT_EQ(closer.boxes().size(), 5u) << closer.boxes().back().text.toStdString();
}

} // namespace

#include "catalog_check.h"
#include "catalog_download_limits.h"
#include "catalog_test_support.h"

#include <QDialog>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace {

const QString networkPrefix = QStringLiteral("An error occured checking the update catalog:\n\n");
const QString parsePrefix = QStringLiteral("An error occured parsing the update catalog:\n\n");
const QString rootBoxText = QStringLiteral(
    "An error occured checking the update catalog:\n\nThe <applications> root node could "
    "not be found.");

const QByteArray twoUpdates = "<?xml version='1.0'?>\n<applications>"
                              "<a><platform>windows</platform><versionkey>SOFTWARE\\A\\Version"
                              "</versionkey><version>2</version></a>"
                              "<b><platform>windows</platform><versionkey>SOFTWARE\\B\\Version"
                              "</versionkey><version>2</version></b>"
                              "</applications>";

class CatalogDownload : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.isRunning());
        server.put(QStringLiteral("catalog.xml"), twoUpdates);
    }

    int count(const QString &path)
    {
        return countAvailableUpdates(server.url(path), "8.4", &window);
    }

    // Runs a check that must fail and returns the one box it showed.
    BoxRecord failedCheck(const QString &path)
    {
        const size_t before = closer.boxes().size();
        EXPECT_EQ(count(path), 0);
        EXPECT_EQ(closer.boxes().size(), before + 1) << path.toStdString();
        return closer.boxes().size() > before ? closer.boxes().back() : BoxRecord();
    }

    CatalogServer server;
    RegistryFile registry{"[SOFTWARE\\A]\nVersion=1\n[SOFTWARE\\B]\nVersion=1\n"};
    QDialog window;
    BoxCloser closer;
};

TEST_F(CatalogDownload, ApplicationsWithoutChildrenCountZeroSilently)
{
    server.put("none.xml", "<applications/>");
    server.put("blank.xml",
               "<?xml version='1.0'?>\n<applications>\n  <!-- none -->\n</applications>\n");
    EXPECT_EQ(count("none.xml"), 0);
    EXPECT_EQ(count("blank.xml"), 0);
    EXPECT_TRUE(closer.boxes().empty());
}

TEST_F(CatalogDownload, FailureBoxesAreModalCriticalOkOnlyOnTheGivenWindow)
{
    const BoxRecord box = failedCheck("status/404");
    EXPECT_EQ(box.title, "Error");
    EXPECT_EQ(box.parent, &window);
    EXPECT_TRUE(box.modal);
    EXPECT_EQ(box.icon, QMessageBox::Critical);
    EXPECT_EQ(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_TRUE(box.text.startsWith(networkPrefix)) << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("Not Found")) << box.text.toStdString();

    EXPECT_TRUE(failedCheck("status/500").text.startsWith(networkPrefix));
    // Nothing listens on port 1.
    EXPECT_EQ(countAvailableUpdates("http://127.0.0.1:1/applications.xml", "8.4", &window), 0);
    EXPECT_TRUE(closer.boxes().back().text.startsWith(networkPrefix));
}

TEST_F(CatalogDownload, OtherRootNamesShowTheRootBox)
{
    server.put("singular.xml", "<application><a><platform>windows</platform></a></application>");
    server.put("case.xml", "<Applications/>");
    server.put("prefixed.xml", "<c:applications xmlns:c='urn:x'/>");
    for (const char *name : {"singular.xml", "case.xml", "prefixed.xml"})
        EXPECT_EQ(failedCheck(name).text, rootBoxText) << name;
}

TEST_F(CatalogDownload, BodiesThatAreNotXmlShowTheParseBox)
{
    server.put("broken.xml", "<applications><a></applications>");
    server.put("text.xml", "no catalog here");
    for (const char *path : {"broken.xml", "text.xml", "empty"}) {
        const BoxRecord box = failedCheck(path);
        EXPECT_TRUE(box.text.startsWith(parsePrefix)) << path << ": " << box.text.toStdString();
        EXPECT_GT(box.text.size(), parsePrefix.size()) << "no parser message for " << path;
    }
}

TEST_F(CatalogDownload, RedirectionsAreFollowedAndOnlyTheLastBodyIsParsed)
{
    // Each redirection carries a body that is not XML, so parsing one would show a box.
    EXPECT_EQ(count("chain/3/catalog.xml"), 2);
    EXPECT_EQ(count("redirect?to=catalog.xml"), 2); // relative to the giver
    EXPECT_EQ(count("redirect?to=./chain/1/catalog.xml&code=307"), 2);
    EXPECT_EQ(count("redirect?to=" + server.url("catalog.xml") + "&code=301"), 2);
    EXPECT_TRUE(closer.boxes().empty());
}

TEST_F(CatalogDownload, TenRedirectionsAreFollowedAndTheEleventhFails)
{
    EXPECT_EQ(count("chain/10/catalog.xml"), 2);
    EXPECT_TRUE(closer.boxes().empty());

    const BoxRecord box = failedCheck("chain/11/catalog.xml");
    EXPECT_EQ(box.text, networkPrefix + "The server redirected the request more than 10 times.");
}

TEST_F(CatalogDownload, EndlessRedirectionLoopEndsWithTheBox)
{
    const BoxRecord box = failedCheck("loop");
    EXPECT_EQ(box.text, networkPrefix + "The server redirected the request more than 10 times.");
}

TEST_F(CatalogDownload, RedirectionsOutsideHttpAreRefused)
{
    server.put("local.xml", twoUpdates);
    const BoxRecord box = failedCheck("redirect?to=file:///etc/hostname");
    EXPECT_TRUE(box.text.startsWith(networkPrefix));
    EXPECT_TRUE(box.text.contains("file:///etc/hostname")) << box.text.toStdString();
}

TEST_F(CatalogDownload, StalledServerIsAbandonedAfterTheStallTime)
{
    const auto saved = catalogStallTimeout();
    setCatalogStallTimeout(std::chrono::milliseconds(400));
    for (const char *path : {"stall", "stall?bytes=20"}) {
        QElapsedTimer clock;
        clock.start();
        const BoxRecord box = failedCheck(path);
        EXPECT_LT(clock.elapsed(), 10000) << path;
        EXPECT_TRUE(box.text.startsWith(networkPrefix + "The server sent no data for"))
            << box.text.toStdString();
    }
    setCatalogStallTimeout(saved);
    EXPECT_EQ(catalogStallTimeout(), std::chrono::minutes(5));
}

TEST_F(CatalogDownload, BodiesOverTheSizeCapAreRefused)
{
    const QString tooLarge = networkPrefix + "The update catalog is larger than 64 MB.";
    // Announced by Content-Length, and discovered while reading when the length is not given.
    EXPECT_EQ(failedCheck("huge/200").text, tooLarge);
    EXPECT_EQ(failedCheck("huge/200?length=0").text, tooLarge);
    // Just under the cap is still read and parsed.
    EXPECT_EQ(count("huge/63"), 0);
    EXPECT_EQ(closer.boxes().size(), 2u);
}

TEST_F(CatalogDownload, EntityExpansionBombIsRefusedOrBounded)
{
    // Ten levels of ten references each: 10^10 copies of "windows" if expanded.
    QByteArray entities = "<!ENTITY a 'windows'>";
    for (char name = 'b'; name <= 'j'; ++name)
        entities += QByteArray("<!ENTITY ") + name + " '" +
                    (QByteArray("&") + char(name - 1) + ";").repeated(10) + "'>";
    server.put("laughs.xml",
               "<!DOCTYPE applications [" + entities +
                   "]><applications><a><platform>&j;</platform>"
                   "<versionkey>SOFTWARE\\A\\Version</versionkey></a></applications>");
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(count("laughs.xml"), 0);
    EXPECT_LT(clock.elapsed(), 20000);
    ASSERT_EQ(closer.boxes().size(), 1u);
    EXPECT_TRUE(closer.boxes().front().text.startsWith(parsePrefix));
}

TEST_F(CatalogDownload, DeclaredEncodingsAreHonoured)
{
    // Latin-1 bytes for "1.0é", matching the UTF-8 registry text: up to date, no count.
    RegistryFile latin("[SOFTWARE\\A]\nVersion=\"1.0\xc3\xa9\"\n");
    server.put("latin1.xml", "<?xml version='1.0' encoding='ISO-8859-1'?>\n<applications>"
                             "<a><platform>windows</platform><versionkey>SOFTWARE\\A\\Version"
                             "</versionkey><version>1.0\xe9</version></a></applications>");
    EXPECT_EQ(count("latin1.xml"), 0);
    EXPECT_TRUE(closer.boxes().empty());

    // An encoding the parser does not know, or bytes that are not what the declaration says,
    // end in the parse box.
    server.put("unknown.xml", "<?xml version='1.0' encoding='x-no-such-encoding'?>\n"
                              "<applications/>");
    server.put("lying.xml", "<?xml version='1.0' encoding='UTF-8'?>\n<applications>"
                            "<a><platform>windows\xff\xfe</platform></a></applications>");
    for (const char *path : {"unknown.xml", "lying.xml"}) {
        const BoxRecord box = failedCheck(path);
        EXPECT_TRUE(box.text.startsWith(parsePrefix)) << path << ": " << box.text.toStdString();
    }
}

} // namespace

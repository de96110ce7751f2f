#include "catalog_check.h"
#include "catalog_parser.h"
#include "freshwell_test_support.h"

#include <QDomDocument>
#include <QDomElement>

#include <tuple>

#include <gtest/gtest.h>

namespace {

const QByteArray componentIni = "[SOFTWARE\\Example\\Component]\nVersion=\"1.2.3\"\n";
const QByteArray componentKey = "SOFTWARE\\Example\\Component\\Version";

// One catalog entry; a null field leaves its element out.
QByteArray entry(const char *platform, const QByteArray &versionKey, const char *version = nullptr,
                 const char *server = nullptr)
{
    QByteArray xml = "<application>";
    if (platform)
        xml += QByteArray("<platform>") + platform + "</platform>";
    if (!versionKey.isNull())
        xml += "<versionkey>" + versionKey + "</versionkey>";
    if (version)
        xml += QByteArray("<version>") + version + "</version>";
    if (server)
        xml += QByteArray("<corvantaversion>") + server + "</corvantaversion>";
    return xml + "</application>\n";
}

int count(const QByteArray &entries, const QByteArray &ini = componentIni,
          const QString &serverVersion = QStringLiteral("8.4"))
{
    const RegistryFile registry(ini);
    QDomDocument catalog;
    EXPECT_EQ(parseCatalog("<applications>\n" + entries + "</applications>", catalog), "");
    return countApplicableEntries(catalog.documentElement(), serverVersion);
}

// Texts ending in "</x><x>..." give the entry a second element of that name, never read.
TEST(CatalogCount, OnlyTheFirstDirectPlatformChildReadingWindowsPasses)
{
    // The text is all character data inside the element, CDATA and nested elements included.
    for (const char *platform : {"windows", "win<![CDATA[do]]><b>ws</b>"})
        EXPECT_EQ(count(entry(platform, componentKey, "2.0")), 1) << platform;
    for (const char *platform :
         {"Windows", " windows", "windows ", "win", "", "linux</platform><platform>windows"})
        EXPECT_EQ(count(entry(platform, componentKey, "2.0")), 0) << '"' << platform << '"';
    EXPECT_EQ(count(entry(nullptr, componentKey, "2.0")), 0);
    EXPECT_EQ(count("<a><x><platform>windows</platform></x><versionkey>" + componentKey +
                    "</versionkey></a>"),
              0);
}

TEST(CatalogCount, KeysAreReadAsTheSettingsLayerReadsThemAndEmptyMeansNotInstalled)
{
    // A doubled separator is folded, as the settings layer does.
    QByteArray entries;
    for (const char *key :
         {"SOFTWARE\\Example\\Component\\Version", "SOFTWARE/Example/Component/Version",
          "SOFTWARE/Example\\Component/Version", "SOFTWARE\\\\Example\\Component\\Version"})
        entries += entry("windows", key, "2.0");
    EXPECT_EQ(count(entries), 4);
    // The value may also sit under a shorter section with the rest of the path in its key.
    EXPECT_EQ(count(entries, "[SOFTWARE]\nExample\\Component\\Version=1.2.3\n"), 4);
    EXPECT_EQ(count(entry("windows", componentKey, "2.0"), ""), 0);
    EXPECT_EQ(count(entry("windows", componentKey, "2.0"),
                    "[SOFTWARE\\Example\\Component]\nVersion=\"\"\n"),
              0);
    EXPECT_EQ(count(entry("windows", QByteArray(), "2.0")), 0);
    // Keys are case-sensitive; dot components are names, not steps through the tree.
    for (const char *key :
         {"", "SOFTWARE\\Example\\Other\\Version", "SOFTWARE\\example\\Component\\Version",
          "SOFTWARE\\Example\\Other\\..\\Component\\Version"})
        EXPECT_EQ(count(entry("windows", key, "2.0")), 0) << key;
}

TEST(CatalogCount, AnyDifferenceFromTheFirstVersionCountsWhereTheFirstRequirementFits)
{
    const QByteArray ini = "[SOFTWARE\\Old]\nVersion=1.2.3\n[SOFTWARE\\New]\nVersion=1.2.4\n";
    const QByteArray oldKey = "SOFTWARE\\Old\\Version";
    EXPECT_EQ(count(entry("windows", "SOFTWARE\\New\\Version", "1.2.3"), ini), 1);
    for (const char *version : {"1.2.4", "1.2.3 ", ""})
        EXPECT_EQ(count(entry("windows", oldKey, version), ini), 1) << '"' << version << '"';
    EXPECT_EQ(count(entry("windows", oldKey), ini), 1);
    EXPECT_EQ(count(entry("windows", oldKey, "1.2.3</version><version>9"), ini), 0);
    // Unquoted commas make the INI layer return a list; it reads as written.
    const QByteArray listed = "[SOFTWARE\\Example\\Component]\nVersion=1,2,3\n";
    EXPECT_EQ(count(entry("windows", componentKey, "1,2,3"), listed), 0);
    EXPECT_EQ(count(entry("windows", componentKey, "1,2,4"), listed), 1);

    EXPECT_EQ(count(entry("windows", componentKey, "2.0", "8.5+")), 0);
    EXPECT_EQ(count(entry("windows", componentKey, "2.0", "9.5+"), componentIni, "10.0"), 1);
    EXPECT_EQ(
        count(entry("windows", componentKey, "2.0", "8.4</corvantaversion><corvantaversion>9.0")),
        1);
}

TEST(CatalogCount, EveryChildNodeIsAnEntry)
{
    const QByteArray update = entry("windows", componentKey, "2.0");
    // Same path twice counts twice; comments, text and processing instructions between the
    // entries are skipped; the entry's own tag name does not matter.
    EXPECT_EQ(count(update + "<!-- <platform>windows</platform> -->\n" + update +
                    "stray text<?pi windows?>\n<other><platform>windows</platform><versionkey>" +
                    componentKey + "</versionkey></other>\n"),
              3);
}

TEST(ServerVersionMatches, ExactTextOrMinimumOfMajorAndMinorAsNumbers)
{
    // Requirement, server version, whether it fits. Every "+" goes; the dot is literal; a part
    // that is no number reads as 0, as does one out of range rather than wrapping.
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"", "8.4", true},
        {"8.3+", "8.4", true},
        {"8.4+", "8.4", true},
        {"8.5+", "8.4", false},
        {"7.9+", "8.4", true},
        {"9.0+", "8.4", false},
        {"8.4.1+", "8.4", true},
        {"9.5+", "10.0", true},
        {"10.0+", "9.5", false},
        {"8.4+", "8.4beta", false},
        {"8.0+", "8.4beta", true},
        {"8.4", "8.4", true},
        {"8.3", "8.4", false},
        {"8.4.0", "8.4", false},
        {"8.4 ", "8.4", false},
        {"8.5++", "8.4", false},
        {"8x4+", "0.1", true},
        {"x.y+", "0.0", true},
        {"99999999999.0+", "1.0", true},
    };
    for (const auto &[required, server, fits] : cases)
        EXPECT_EQ(serverVersionMatches(required, server), fits) << required << " for " << server;
}

} // namespace

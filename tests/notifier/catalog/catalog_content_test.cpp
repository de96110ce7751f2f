#include "catalog_count.h"
#include "catalog_parser.h"
#include "freshwell_test_support.h"
#include "server_version.h"

#include <QDomDocument>
#include <QDomElement>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QStringEncoder>

#include <tuple>

#include <gtest/gtest.h>

namespace {

QString parse(const QByteArray &body)
{
    QDomDocument catalog;
    return parseCatalog(body, catalog);
}

QByteArray nested(int depth)
{
    return "<applications>" + QByteArray("<a>").repeated(depth - 1) + "x" +
           QByteArray("</a>").repeated(depth - 1) + "</applications>";
}

QByteArray elementWithAttributes(int count)
{
    QByteArray attributes;
    for (int i = 0; i < count; ++i)
        attributes += " a" + QByteArray::number(i) + "=''";
    return "<e" + attributes + "/>";
}

// The same markup written so that no '<', '>' or '&' byte appears.
QByteArray utf7(QByteArray ascii)
{
    return ascii.replace('+', "+-")
        .replace('<', "+ADw-")
        .replace('>', "+AD4-")
        .replace('&', "+ACY-");
}

TEST(CatalogParser, BuildsTheTreeTheDocumentParserBuilds)
{
    const QByteArray body =
        "<!-- c --><?pi top?><applications a='1' b=\"&amp;&#x41;\">\n "
        "<a><platform>win<![CDATA[<do>]]>"
        "&lt;ws <i>x</i> </platform>  </a><!-- <a><a> --><?pi <c d='>'?>"
        "<e f='=>\"' g=\"'=/>\"/>&#10;<v>&#xA0;</v><v>&#x2028;</v></applications>";
    QDomDocument compact;
    ASSERT_TRUE(compact.setContent(body, false));
    // Also pretty-printed, so that blank text kept between elements by mistake shows.
    for (const QByteArray &document : {body, compact.toByteArray(2), compact.toByteArray(1)}) {
        QDomDocument ours;
        EXPECT_EQ(parseCatalog(document, ours), "");
        QDomDocument theirs;
        ASSERT_TRUE(theirs.setContent(document, false));
        EXPECT_EQ(ours.toString(-1).toStdString(), theirs.toString(-1).toStdString());
    }
    // Empty elements close their level, and an external document type is let through.
    EXPECT_EQ(parse("<!DOCTYPE applications SYSTEM 'x.dtd'><applications>" +
                    QByteArray("<a><b/></a>").repeated(1000) + "</applications>"),
              "");
    // The reader lets a document type through after the prolog; the document parser does not.
    EXPECT_EQ(parse("<applications><!DOCTYPE a></applications>"),
              "The catalog has a document type declaration out of place.");
    EXPECT_EQ(parse("<!DOCTYPE a><!DOCTYPE a><applications/>"),
              "The catalog has a document type declaration out of place.");
    // Malformed bodies get the reader's own words.
    EXPECT_EQ(parse("<applications><a"), "Premature end of document.");
}

TEST(CatalogParser, LimitsHoldHoweverTheBodyIsEncodedOrDeclared)
{
    const QByteArray longDeclaration = "<?xml version='1.0'" + QByteArray(2000, ' ');
    const QString refusedEncoding = "The catalog is in the encoding UTF-7, which is not accepted.";
    const std::pair<QByteArray, QString> shapes[] = {
        {nested(kMaxCatalogDepth + 1), "The catalog nests elements more than 256 levels deep."},
        {"<applications>" + elementWithAttributes(kMaxCatalogAttributes + 1) + "</applications>",
         "An element of the catalog has more than 32 attributes."},
        // Attributes are nodes of the tree: elements within the attribute limit add up.
        {"<applications>" +
             elementWithAttributes(kMaxCatalogAttributes).repeated(kMaxCatalogNodes / 32) +
             "</applications>",
         "The catalog has more than 1000000 nodes."},
        // One entity of about 4,000 characters referenced 500,000 times.
        {"<!DOCTYPE applications [<!ENTITY e '" + QByteArray(4000, 'x') + "'>]><applications>" +
             QByteArray("&e;").repeated(500000) + "</applications>",
         "The catalog carries its own document type declarations, which are not accepted."},
        {"<applications><!--" + QByteArray(2 * kMaxCatalogItemBytes, 'x') + "--></applications>",
         "An item of the catalog is longer than 16384 bytes."},
    };
    for (const auto &[ascii, problem] : shapes) {
        const QString markup = QString::fromLatin1(ascii);
        const std::pair<QByteArray, QString> bodies[] = {
            {ascii, problem},
            {longDeclaration + " encoding='UTF-8'?>" + ascii, problem},
            {QStringEncoder(QStringConverter::Utf16LE)
                 .encode(QString::fromLatin1(longDeclaration) + " encoding='UTF-16'?>" + markup),
             problem},
            {QStringEncoder(QStringConverter::Utf32BE, QStringEncoder::Flag::WriteBom)
                 .encode(markup),
             problem},
            {longDeclaration + " encoding='UTF-7'?>" + utf7(ascii), refusedEncoding},
        };
        for (const auto &[body, expected] : bodies) {
            QElapsedTimer clock;
            clock.start();
            EXPECT_EQ(parse(body), expected) << body.left(40).toHex().constData();
            EXPECT_LT(clock.elapsed(), 5000) << expected.toStdString();
        }
    }
    // Just inside every limit.
    EXPECT_EQ(parse(nested(kMaxCatalogDepth)), "");
    EXPECT_EQ(
        parse("<applications>" + elementWithAttributes(kMaxCatalogAttributes) + "</applications>"),
        "");
    EXPECT_EQ(parse("<applications><!--" + QByteArray(kMaxCatalogItemBytes / 2, 'x') +
                    "--></applications>"),
              "");
    EXPECT_EQ(parse("<applications>" + QByteArray("<a/>x").repeated(kMaxCatalogNodes / 2) +
                    "</applications>"),
              "The catalog has more than 1000000 nodes.");
}

const QByteArray componentIni = "[SOFTWARE\\Example\\Component]\nVersion=\"1.2.3\"\n";
const QByteArray componentKey = "SOFTWARE\\Example\\Component\\Version";

// One catalog entry; a null requirement leaves its element out. The walk reads a missing
// element as an empty one, so the cases write only empty ones.
QByteArray entry(const QByteArray &platform, const QByteArray &versionKey,
                 const QByteArray &version, const char *server = nullptr)
{
    QByteArray xml = "<application><platform>" + platform + "</platform><versionkey>" + versionKey +
                     "</versionkey><version>" + version + "</version>";
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
TEST(CatalogCount, EveryChildIsAnEntryWhoseFirstDirectPlatformChildMustReadWindows)
{
    // The text is all character data inside the element, CDATA and nested elements included.
    for (const char *platform : {"windows", "win<![CDATA[do]]><b>ws</b>"})
        EXPECT_EQ(count(entry(platform, componentKey, "2.0")), 1) << platform;
    for (const char *platform :
         {"Windows", " windows", "windows ", "win", "", "linux</platform><platform>windows"})
        EXPECT_EQ(count(entry(platform, componentKey, "2.0")), 0) << '"' << platform << '"';
    // Same path twice counts twice; comments, text and processing instructions between the
    // entries are skipped; the entry's own tag name does not matter; a platform nested deeper
    // is not read; without a key element it is not installed, without a version it differs.
    const QByteArray update = entry("windows", componentKey, "2.0");
    const QByteArray key = "<versionkey>" + componentKey + "</versionkey>";
    EXPECT_EQ(count(update + "<!-- <platform>windows</platform> -->\n" + update +
                    "stray text<?pi windows?>\n<b><platform>windows</platform></b><other>"
                    "<platform>windows</platform>" +
                    key + "</other>\n<a><x><platform>windows</platform></x>" + key + "</a>"),
              3);
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
    EXPECT_EQ(count(entry("windows", componentKey, "2.0"),
                    "[SOFTWARE\\Example\\Component]\nVersion=\"\"\n"),
              0);
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
    EXPECT_EQ(count(entry("windows", oldKey, "1.2.3</version><version>9"), ini), 0);
    // Unquoted commas make the INI layer return a list; it reads as written.
    const QByteArray listed = "[SOFTWARE\\Example\\Component]\nVersion=1,2,3\n";
    EXPECT_EQ(count(entry("windows", componentKey, "1,2,3"), listed), 0);
    EXPECT_EQ(count(entry("windows", componentKey, "1,2,4"), listed), 1);

    // The first requirement is applied, to the given server version.
    EXPECT_EQ(
        count(entry("windows", componentKey, "2.0", "9.0</corvantaversion><corvantaversion>8.4")),
        0);
    EXPECT_EQ(count(entry("windows", componentKey, "2.0", "9.5+"), componentIni, "10.0"), 1);
}

QStringList trail;

// The trail names the rule that decided each entry, and is written only when asked for.
TEST(CatalogCount, TheTrailNamesTheRuleThatDecidedEachEntry)
{
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &context, const QString &line) {
            if (qstrcmp(context.category, "freshwell.catalog") == 0)
                trail << line;
        });
    const QByteArray entries = entry("linux", componentKey, "2.0") + "<!-- -->" +
                               entry("windows", "SOFTWARE\\None", "2.0") +
                               entry("windows", componentKey, "1.2.3") +
                               entry("windows", componentKey, "2.0", "8.5+") +
                               entry("windows", componentKey, "2.0", "8.4");
    EXPECT_EQ(count(entries), 1);
    EXPECT_EQ(trail, QStringList());
    QLoggingCategory::setFilterRules("freshwell.*.debug=true");
    EXPECT_EQ(count(entries), 1);
    QLoggingCategory::setFilterRules(QString());
    qInstallMessageHandler(previous);
    const QString key = "(SOFTWARE\\Example\\Component\\Version)";
    EXPECT_EQ(trail, (QStringList{"entry 1 " + key + ": platform \"linux\", not windows",
                                  "entry 2: platform \"\", not windows",
                                  "entry 3 (SOFTWARE\\None): not installed",
                                  "entry 4 " + key + ": up to date at 1.2.3",
                                  "entry 5 " + key + ": server version 8.5+ required, this is 8.4",
                                  "entry 6 " + key + ": counted, 2.0 offered, 1.2.3 installed",
                                  "updates for server version 8.4: 1"}));
}

TEST(ServerVersionMatches, ExactTextOrMinimumOfMajorAndMinorAsNumbers)
{
    // Every "+" goes; the dot is literal; a part that is no number reads as 0, as does one out
    // of range rather than wrapping.
    for (const char *required : {"", "8.3+", "8.4+", "7.9+", "8.4.1+", "8.4"})
        EXPECT_TRUE(serverVersionMatches(required, "8.4")) << required;
    for (const char *required : {"8.5+", "9.0+", "8.3", "8.4.0", "8.4 ", "8.5++"})
        EXPECT_FALSE(serverVersionMatches(required, "8.4")) << required;
    // Requirement, server version, whether it fits.
    const std::tuple<const char *, const char *, bool> cases[] = {
        {"9.5+", "10.0", true},          {"10.0+", "9.5", false}, {"8.4+", "8.4beta", false},
        {"8.0+", "8.4beta", true},       {"8x4+", "0.1", true},   {"x.y+", "0.0", true},
        {"99999999999.0+", "1.0", true},
    };
    for (const auto &[required, server, fits] : cases)
        EXPECT_EQ(serverVersionMatches(required, server), fits) << required << " for " << server;
}

} // namespace

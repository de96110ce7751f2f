#include "catalog_parser.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QStringEncoder>
#include <QTextStream>

#include <gtest/gtest.h>

namespace {

QString parse(const QByteArray &body)
{
    QDomDocument catalog;
    return parseCatalog(body, catalog);
}

QString serialised(const QDomNode &node)
{
    QString text;
    QTextStream stream(&text);
    node.save(stream, -1);
    return text;
}

QByteArray nested(int depth)
{
    return "<applications>" + QByteArray("<a>").repeated(depth - 1) + "x" +
           QByteArray("</a>").repeated(depth - 1) + "</applications>";
}

QByteArray withAttributes(int count)
{
    QByteArray attributes;
    for (int i = 0; i < count; ++i)
        attributes += " a" + QByteArray::number(i) + "='v'";
    return "<applications><e" + attributes + "/></applications>";
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
    QDomDocument ours;
    EXPECT_EQ(parseCatalog(body, ours), "");
    QDomDocument theirs;
    ASSERT_TRUE(theirs.setContent(body, false));
    EXPECT_EQ(serialised(ours.documentElement()).toStdString(),
              serialised(theirs.documentElement()).toStdString());
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
        {withAttributes(kMaxCatalogAttributes + 1),
         "An element of the catalog has more than 32 attributes."},
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
    EXPECT_EQ(parse(withAttributes(kMaxCatalogAttributes)), "");
    EXPECT_EQ(parse("<applications><!--" + QByteArray(kMaxCatalogItemBytes / 2, 'x') +
                    "--></applications>"),
              "");
    EXPECT_EQ(parse("<applications>" + QByteArray("<a/>x").repeated(kMaxCatalogNodes / 2) +
                    "</applications>"),
              "The catalog has more than 2000000 nodes.");
}

} // namespace

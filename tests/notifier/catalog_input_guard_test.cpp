#include "catalog_input_guard.h"

#include <QByteArray>
#include <QStringEncoder>

#include <gtest/gtest.h>

namespace {

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

TEST(CatalogInputGuard, PassesOrdinaryCatalogs)
{
    const QByteArray entry = "<application><platform>windows</platform>"
                             "<versionkey>SOFTWARE\\A\\Version</versionkey><version>1</version>"
                             "</application>\n";
    EXPECT_EQ(catalogInputProblem("<?xml version='1.0' encoding='UTF-8'?>\n"
                                  "<!DOCTYPE applications SYSTEM 'applications[1].dtd'>\n"
                                  "<applications>" +
                                  entry.repeated(1000) + "</applications>"),
              "");
    // Markup-like text inside comments, CDATA, instructions and quoted values is not markup.
    EXPECT_EQ(catalogInputProblem("<applications><!-- <a><a><a " +
                                  QByteArray("x='' ").repeated(40) +
                                  " --><![CDATA[<!DOCTYPE x [ <b b='1'>]]><?pi <c d='>'?>"
                                  "<e f='=>\"' g=\"'=/>\"/></applications>"),
              "");
    // Malformed bodies are left to the parser.
    EXPECT_EQ(catalogInputProblem("<applications><a"), "");
    EXPECT_EQ(catalogInputProblem(""), "");
}

TEST(CatalogInputGuard, BoundsNestingDepth)
{
    EXPECT_EQ(catalogInputProblem(nested(kMaxCatalogDepth)), "");
    EXPECT_EQ(catalogInputProblem(nested(kMaxCatalogDepth + 1)),
              "The catalog nests elements more than 256 levels deep.");
    // Closed and empty elements give their level back.
    EXPECT_EQ(catalogInputProblem("<applications>" + QByteArray("<a><b/></a>").repeated(1000) +
                                  "</applications>"),
              "");
}

TEST(CatalogInputGuard, BoundsAttributesPerElement)
{
    EXPECT_EQ(catalogInputProblem(withAttributes(kMaxCatalogAttributes)), "");
    EXPECT_EQ(catalogInputProblem(withAttributes(kMaxCatalogAttributes + 1)),
              "An element of the catalog has more than 32 attributes.");
}

TEST(CatalogInputGuard, RefusesDocumentTypeDeclarations)
{
    const QString refused =
        "The catalog carries its own document type declarations, which are not accepted.";
    // One entity used many times grows a small body past any memory.
    EXPECT_EQ(catalogInputProblem("<!DOCTYPE applications [<!ENTITY a '" + QByteArray(4000, 'x') +
                                  "'>]><applications><e>" + QByteArray("&a;").repeated(1000) +
                                  "</e></applications>"),
              refused);
    // Declared defaults add attributes to every element.
    EXPECT_EQ(catalogInputProblem("<!DOCTYPE applications [<!ATTLIST e a CDATA 'x'>]>"
                                  "<applications><e/></applications>"),
              refused);
}

TEST(CatalogInputGuard, BoundsTheNumberOfNodes)
{
    // Blank text between elements is dropped by the parser and not counted.
    const QByteArray underLimit =
        "<applications>" + QByteArray("<a/>\n").repeated(kMaxCatalogNodes - 1) + "</applications>";
    EXPECT_EQ(catalogInputProblem(underLimit), "");
    EXPECT_EQ(catalogInputProblem("<applications>" +
                                  QByteArray("<a/>x").repeated(kMaxCatalogNodes / 2) +
                                  "</applications>"),
              "The catalog has more than 2000000 nodes.");
    EXPECT_NE(catalogInputProblem("<applications>" +
                                  QByteArray("<!---->").repeated(kMaxCatalogNodes) +
                                  "</applications>"),
              "");
}

TEST(CatalogInputGuard, ReadsTheBodyInItsOwnEncoding)
{
    // In UTF-16 every markup character is two bytes; the limits hold all the same.
    for (QStringConverter::Encoding encoding :
         {QStringConverter::Utf16LE, QStringConverter::Utf16BE, QStringConverter::Utf32LE}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        const QByteArray deep = encoder.encode(QString::fromLatin1(nested(300)));
        EXPECT_NE(catalogInputProblem(deep), "") << int(encoding);
        QStringEncoder plain(encoding);
        const QByteArray attributes =
            plain.encode(QStringLiteral("<?xml version='1.0' encoding='UTF-16'?>") +
                         QString::fromLatin1(withAttributes(40)));
        EXPECT_NE(catalogInputProblem(attributes), "") << int(encoding);
        // Read byte by byte, the end tags here would look like start tags.
        const QByteArray siblings =
            plain.encode(QStringLiteral("<?xml version='1.0' encoding='UTF-16'?><applications>") +
                         QStringLiteral("<a>x</a>").repeated(kMaxCatalogDepth + 10) +
                         QStringLiteral("</applications>"));
        EXPECT_EQ(catalogInputProblem(siblings), "") << int(encoding);
    }
}

} // namespace

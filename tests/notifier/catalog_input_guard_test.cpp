#include "catalog_input_guard.h"

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

TEST(CatalogInputGuard, PassesOrdinaryAndMalformedCatalogs)
{
    EXPECT_EQ(catalogInputProblem("<?xml version='1.0' encoding='UTF-8'?>\n"
                                  "<!DOCTYPE applications SYSTEM 'applications[1].dtd'>\n"
                                  "<applications>" +
                                  QByteArray("<a><b/></a>").repeated(1000) + "</applications>"),
              "");
    // Markup-like text inside comments, CDATA, instructions and quoted values is not markup.
    EXPECT_EQ(catalogInputProblem("<applications><!-- <a><a><a " +
                                  QByteArray("x='' ").repeated(40) +
                                  " --><![CDATA[<!DOCTYPE x [ <b b='1'>]]><?pi <c d='>'?>"
                                  "<e f='=>\"' g=\"'=/>\"/></applications>"),
              "");
    // Malformed bodies are left to the parser.
    EXPECT_EQ(catalogInputProblem("<applications><a"), "");
}

TEST(CatalogInputGuard, BoundsDepthAttributesAndNodes)
{
    EXPECT_EQ(catalogInputProblem(nested(kMaxCatalogDepth)), "");
    EXPECT_EQ(catalogInputProblem(nested(kMaxCatalogDepth + 1)),
              "The catalog nests elements more than 256 levels deep.");
    EXPECT_EQ(catalogInputProblem(withAttributes(kMaxCatalogAttributes)), "");
    EXPECT_EQ(catalogInputProblem(withAttributes(kMaxCatalogAttributes + 1)),
              "An element of the catalog has more than 32 attributes.");
    // Blank text between elements is dropped by the parser and not counted.
    EXPECT_EQ(catalogInputProblem("<applications>" +
                                  QByteArray("<a/>\n").repeated(kMaxCatalogNodes - 1) +
                                  "</applications>"),
              "");
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
        QStringEncoder withBom(encoding, QStringEncoder::Flag::WriteBom);
        EXPECT_NE(catalogInputProblem(withBom.encode(QString::fromLatin1(nested(300)))), "")
            << int(encoding);
        QStringEncoder plain(encoding);
        const QString declaration = QStringLiteral("<?xml version='1.0' encoding='UTF-16'?>");
        EXPECT_NE(catalogInputProblem(
                      plain.encode(declaration + QString::fromLatin1(withAttributes(40)))),
                  "")
            << int(encoding);
        // Read byte by byte, the end tags here would look like start tags.
        EXPECT_EQ(catalogInputProblem(
                      plain.encode(declaration + "<applications>" +
                                   QStringLiteral("<a>x</a>").repeated(kMaxCatalogDepth + 10) +
                                   "</applications>")),
                  "")
            << int(encoding);
    }
}

} // namespace

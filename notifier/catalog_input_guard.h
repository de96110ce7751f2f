#ifndef FRESHWELL_CATALOG_INPUT_GUARD_H
#define FRESHWELL_CATALOG_INPUT_GUARD_H

#include <QString>

class QByteArray;

// Shapes of catalog that the document parser handles badly and that no real catalog has.
// The parser expands entities without a bound on the total (a 300 KB body grows past a
// gigabyte), adds declared default attributes to every element, and slows down
// quadratically with nesting depth and with the attributes of one element.
constexpr int kMaxCatalogDepth = 256;
constexpr int kMaxCatalogAttributes = 32; // per element
// Elements, text, comments, instructions and CDATA sections: about 200,000 entries. Each
// node costs the parsed tree about 0.3 KB.
constexpr int kMaxCatalogNodes = 2000000;

// Why a catalog body must not reach the document parser, or empty text when it may.
// One linear pass over the text in the encoding the body declares. Markup that is not
// well-formed passes, so that the parser reports it in its own words.
QString catalogInputProblem(const QByteArray &body);

#endif

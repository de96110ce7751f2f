// The catalog parser and the limits on the shape of a catalog.
#ifndef FRESHWELL_CATALOG_PARSER_H
#define FRESHWELL_CATALOG_PARSER_H

#include <QString>

class QByteArray;
class QDomDocument;

// Shapes of catalog that the XML reader or the document tree handle badly and that no real
// catalog has. The tree slows down quadratically with nesting depth; the reader with the
// attributes of one element, and it holds a whole text, tag or comment before reporting it.
constexpr int kMaxCatalogDepth = 256;
constexpr int kMaxCatalogAttributes = 32; // per element
// Elements, attributes, text, comments, instructions and CDATA sections, an attribute
// counting twice: about 110,000 entries. A node costs the tree about 0.3 KB, an attribute
// about 0.45 KB, so the tree stays near 300 MB whatever the body holds.
constexpr int kMaxCatalogNodes = 1000000;
// Bytes of body the reader may take in without ending a tag, text, comment or document
// type (the body is read in 4 KB pieces, so an item may be up to that much shorter).
constexpr int kMaxCatalogItemBytes = 16 * 1024;

// Parses a catalog body into catalog, which must be empty. Empty text on success, else the
// reason for the parse box: the XML reader's own message, or the limit that was reached.
// The limits are checked on the reader's tokens as they come, so they hold whatever
// encoding the body is in; internal document type subsets (entity and default-attribute
// declarations) and encodings outside a short list are refused.
QString parseCatalog(const QByteArray &body, QDomDocument &catalog);

#endif

#ifndef FRESHWELL_CATALOG_INPUT_GUARD_H
#define FRESHWELL_CATALOG_INPUT_GUARD_H

#include <QString>

class QByteArray;

// Deepest element nesting accepted in a catalog; real ones need four levels.
constexpr int kMaxCatalogDepth = 256;

// Why a catalog body must not reach the document parser, or empty text when it may.
// The parser expands entity references without bound in total (a small body can grow to
// gigabytes) and slows down quadratically with nesting depth; a catalog needs neither.
// Malformed bodies pass, so that the parser reports them in its own words.
QString catalogInputProblem(const QByteArray &body);

#endif

// Catalog bodies as a server could send them: the parser stays within the run's time and memory
// limits (quadratic or exploding inputs are findings), every body it accepts gives the tree the
// document's own parser gives, and the check's walk over it counts at most one update per entry.
#include "catalog_count.h"
#include "catalog_parser.h"
#include "fuzz_check.h"

#include <QByteArray>
#include <QDomDocument>
#include <QTemporaryFile>
#include <QTextStream>

#include <cstdint>

namespace {

QString serialised(const QDomNode &node)
{
    QString text;
    QTextStream stream(&text);
    node.save(stream, -1);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The registry the seeds' entries name, as the INI stand-in.
    static QTemporaryFile registry;
    check(registry.open());
    registry.write("[SOFTWARE\\Example\\Component]\nVersion=\"1.2.3\"\n"
                   "[SOFTWARE]\nOther\\Version=2,0\n");
    registry.flush();
    qputenv("FRESHWELL_REGISTRY", registry.fileName().toLocal8Bit());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    QDomDocument catalog;
    if (!parseCatalog(body, catalog).isEmpty())
        return 0;

    QDomDocument reference;
    check(reference.setContent(body, false));
    check(serialised(catalog.documentElement()) == serialised(reference.documentElement()));

    const QDomElement root = catalog.documentElement();
    if (root.tagName() == QLatin1String("applications")) {
        const int count = countApplicableEntries(root, QStringLiteral("8.4"));
        check(count >= 0 && count <= root.childNodes().size());
    }
    return 0;
}

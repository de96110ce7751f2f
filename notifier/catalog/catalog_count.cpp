// One update check: the download's catalog walked entry by entry against the installed versions.
#include "catalog_count.h"

#include "catalog_download.h"
#include "catalog_error_box.h"
#include "catalog_trail.h"
#include "dialog_tr.h"
#include "registry_settings.h"
#include "server_version.h"

#include <QDomDocument>
#include <QDomElement>
#include <QSettings>

#include <memory>

namespace {

// Text of the node's first direct child element of that name; empty when there is none.
QString childText(const QDomNode &entry, const QString &name)
{
    return entry.firstChildElement(name).text();
}

// How the trail names an entry: its place among the root's child nodes and its key.
QByteArray describe(int place, const QDomNode &entry)
{
    const QString key = childText(entry, QStringLiteral("versionkey"));
    QByteArray name = "entry " + QByteArray::number(place);
    return key.isEmpty() ? name : name + " (" + key.toUtf8() + ')';
}

} // namespace

int countAvailableUpdates(const QString &applicationList, const QString &serverVersion,
                          QWidget *parent)
{
    const std::unique_ptr<QDomDocument> catalog(downloadCatalog(applicationList, parent));
    if (!catalog)
        return 0;

    const QDomElement root = catalog->documentElement();
    if (root.tagName() != QLatin1String("applications")) {
        qCDebug(catalogTrail, "parsed, but the root is <%s>, not <applications>",
                qUtf8Printable(root.tagName()));
        showCatalogError(parent, dialogTr("An error occured checking the update catalog:\n\n"
                                          "The <applications> root node could not be found."));
        return 0;
    }

    qCDebug(catalogTrail, "parsed: %d entries", root.childNodes().count());
    return countApplicableEntries(root, serverVersion);
}

int countApplicableEntries(const QDomElement &applications, const QString &serverVersion)
{
    int count = 0;
    const QString platformTag = QStringLiteral("platform");
    const QString versionKeyTag = QStringLiteral("versionkey");
    const QString versionTag = QStringLiteral("version");
    const QString serverTag = QStringLiteral("corvantaversion");
    const std::unique_ptr<QSettings> registry = openLocalMachineSettings();

    // Every child node is an entry; one that is not an element has no platform and drops out.
    int place = 0;
    for (QDomNode entry = applications.firstChild(); !entry.isNull(); entry = entry.nextSibling()) {
        ++place;
        const QString platform = childText(entry, platformTag);
        if (platform != QLatin1String("windows")) {
            qCDebug(catalogTrail, "%s: platform \"%s\", not windows",
                    describe(place, entry).constData(), qUtf8Printable(platform));
            continue;
        }

        QString versionKey = childText(entry, versionKeyTag);
        versionKey.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString installed = readRegistryText(*registry, versionKey);
        if (installed.isEmpty()) {
            qCDebug(catalogTrail, "%s: not installed", describe(place, entry).constData());
            continue;
        }

        // Any difference counts: the catalog may also offer a step back.
        const QString offered = childText(entry, versionTag);
        if (offered == installed) {
            qCDebug(catalogTrail, "%s: up to date at %s", describe(place, entry).constData(),
                    qUtf8Printable(installed));
            continue;
        }

        const QString required = childText(entry, serverTag);
        if (!serverVersionMatches(required, serverVersion)) {
            qCDebug(catalogTrail, "%s: server version %s required, this is %s",
                    describe(place, entry).constData(), qUtf8Printable(required),
                    qUtf8Printable(serverVersion));
            continue;
        }
        qCDebug(catalogTrail, "%s: counted, %s offered, %s installed",
                describe(place, entry).constData(), qUtf8Printable(offered),
                qUtf8Printable(installed));
        ++count;
    }
    qCDebug(catalogTrail, "updates for server version %s: %d", qUtf8Printable(serverVersion),
            count);
    return count;
}

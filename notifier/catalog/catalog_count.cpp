// One update check: the download's catalog walked entry by entry against the installed versions.
#include "catalog_count.h"

#include "catalog_download.h"
#include "catalog_error_box.h"
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

} // namespace

int countAvailableUpdates(const QString &applicationList, const QString &serverVersion,
                          QWidget *parent)
{
    const std::unique_ptr<QDomDocument> catalog(downloadCatalog(applicationList, parent));
    if (!catalog)
        return 0;

    const QDomElement root = catalog->documentElement();
    if (root.tagName() != QLatin1String("applications")) {
        showCatalogError(parent, dialogTr("An error occured checking the update catalog:\n\n"
                                          "The <applications> root node could not be found."));
        return 0;
    }

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
    for (QDomNode entry = applications.firstChild(); !entry.isNull(); entry = entry.nextSibling()) {
        if (childText(entry, platformTag) != QLatin1String("windows"))
            continue;

        QString versionKey = childText(entry, versionKeyTag);
        versionKey.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QString installed = readRegistryText(*registry, versionKey);
        if (installed.isEmpty())
            continue; // not installed

        // Any difference counts: the catalog may also offer a step back.
        if (childText(entry, versionTag) == installed)
            continue;

        if (serverVersionMatches(childText(entry, serverTag), serverVersion))
            ++count;
    }
    return count;
}

#include "catalog_input_guard.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

QString catalogInputProblem(const QByteArray &body)
{
    QXmlStreamReader reader(body);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty() ||
                reader.text().contains(QLatin1String("<!ENTITY")))
                return QCoreApplication::translate(
                    "UpdateDialog", "The catalog declares entities, which are not accepted.");
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxCatalogDepth)
                return QCoreApplication::translate(
                           "UpdateDialog", "The catalog nests elements more than %1 levels deep.")
                    .arg(kMaxCatalogDepth);
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Invalid:
            return QString();
        default:
            break;
        }
    }
    return QString();
}

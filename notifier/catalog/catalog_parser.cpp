// The catalog parser: the document built from the XML reader's tokens, each checked against the
// limits.
#include "catalog_parser.h"

#include "dialog_tr.h"

#include <QByteArray>
#include <QDomDocument>
#include <QXmlStreamReader>

namespace {

// Encodings that keep the markup readable by any tool that looks at the bytes; others
// (UTF-7, EBCDIC, ...) can hide markup from everything but a full decoder.
bool isAcceptedEncoding(QStringView name)
{
    static const char *const accepted[] = {"UTF-8",      "UTF-16",      "UTF-16LE", "UTF-16BE",
                                           "UTF-32",     "UTF-32LE",    "UTF-32BE", "US-ASCII",
                                           "ISO-8859-1", "windows-1252"};
    for (const char *encoding : accepted) {
        if (name.compare(QLatin1String(encoding), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Whether a document type token ends with an internal subset: "<!DOCTYPE a [...]>".
bool hasInternalSubset(QStringView doctype)
{
    doctype = doctype.trimmed();
    if (doctype.endsWith(u'>'))
        doctype.chop(1);
    return doctype.trimmed().endsWith(u']');
}

// Builds the document from the reader's tokens, as the document's own parser does, and
// checks each token against the limits first.
class CatalogTree
{
public:
    explicit CatalogTree(QDomDocument &document) : document_(document) {}

    // Empty text while the document is acceptable so far.
    QString add(const QXmlStreamReader &reader)
    {
        const QXmlStreamReader::TokenType token = reader.tokenType();
        // The prolog (declaration, one document type, comments, instructions) ends at the
        // first other token; the reader lets a document type through later, the document
        // parser does not.
        if (token == QXmlStreamReader::DTD && (inBody_ || seenDoctype_))
            return dialogTr("The catalog has a document type declaration out of place.");
        if (token != QXmlStreamReader::StartDocument && token != QXmlStreamReader::DTD &&
            token != QXmlStreamReader::Comment && token != QXmlStreamReader::ProcessingInstruction)
            inBody_ = true;

        switch (token) {
        case QXmlStreamReader::StartDocument:
            if (!reader.documentEncoding().isEmpty() &&
                !isAcceptedEncoding(reader.documentEncoding()))
                return dialogTr("The catalog is in the encoding %1, which is not accepted.")
                    .arg(reader.documentEncoding());
            return QString();
        case QXmlStreamReader::DTD:
            seenDoctype_ = true;
            if (hasInternalSubset(reader.text()))
                return dialogTr("The catalog carries its own document type declarations, "
                                "which are not accepted.");
            return QString();
        case QXmlStreamReader::StartElement:
            return startElement(reader);
        case QXmlStreamReader::EndElement:
            --depth_;
            element_ = element_.parentNode().toElement();
            return QString();
        case QXmlStreamReader::Characters:
            // Blank text is not kept, as the document parser does not keep it.
            if (reader.isWhitespace())
                return QString();
            if (reader.isCDATA())
                return append(document_.createCDATASection(reader.text().toString()));
            if (reader.text().trimmed().isEmpty())
                return QString();
            return append(document_.createTextNode(reader.text().toString()));
        case QXmlStreamReader::Comment:
            return append(document_.createComment(reader.text().toString()));
        case QXmlStreamReader::ProcessingInstruction:
            return append(document_.createProcessingInstruction(
                reader.processingInstructionTarget().toString(),
                reader.processingInstructionData().toString()));
        case QXmlStreamReader::EntityReference:
            return append(document_.createEntityReference(reader.name().toString()));
        default:
            return QString();
        }
    }

private:
    QString startElement(const QXmlStreamReader &reader)
    {
        if (++depth_ > kMaxCatalogDepth)
            return dialogTr("The catalog nests elements more than %1 levels deep.")
                .arg(kMaxCatalogDepth);
        const QXmlStreamAttributes attributes = reader.attributes();
        if (attributes.size() > kMaxCatalogAttributes)
            return dialogTr("An element of the catalog has more than %1 attributes.")
                .arg(kMaxCatalogAttributes);
        // Each attribute is a node of the tree too, and costs it about twice an element.
        if (!count(1 + 2 * qint64(attributes.size())))
            return tooManyNodes();
        QDomElement element = document_.createElement(reader.qualifiedName().toString());
        for (const QXmlStreamAttribute &attribute : attributes)
            element.setAttribute(attribute.qualifiedName().toString(),
                                 attribute.value().toString());
        attach(element);
        element_ = element;
        return QString();
    }

    bool count(qint64 nodes)
    {
        nodes_ += nodes;
        return nodes_ <= kMaxCatalogNodes;
    }

    static QString tooManyNodes()
    {
        return dialogTr("The catalog has more than %1 nodes.").arg(kMaxCatalogNodes);
    }

    QString append(const QDomNode &node)
    {
        if (!count(1))
            return tooManyNodes();
        attach(node);
        return QString();
    }

    void attach(const QDomNode &node)
    {
        if (element_.isNull())
            document_.appendChild(node);
        else
            element_.appendChild(node);
    }

    QDomDocument &document_;
    QDomElement element_; // the open element; null at the top level
    bool inBody_ = false;
    bool seenDoctype_ = false;
    int depth_ = 0;
    qint64 nodes_ = 0;
};

} // namespace

QString parseCatalog(const QByteArray &body, QDomDocument &catalog)
{
    // Fed a piece at a time, so that no single token can make the reader hold, or scan
    // over, more than a bounded part of the body.
    constexpr qsizetype chunk = 4096;
    QXmlStreamReader reader;
    reader.setNamespaceProcessing(false);
    CatalogTree tree(catalog);
    qsizetype fed = 0;
    qsizetype fedAtLastToken = 0;
    for (;;) {
        reader.readNext();
        if (reader.error() == QXmlStreamReader::PrematureEndOfDocumentError && fed < body.size()) {
            if (fed - fedAtLastToken >= kMaxCatalogItemBytes)
                return dialogTr("An item of the catalog is longer than %1 bytes.")
                    .arg(kMaxCatalogItemBytes);
            reader.addData(body.mid(fed, chunk));
            fed = qMin(fed + chunk, body.size());
            continue;
        }
        if (reader.hasError())
            return reader.errorString();
        if (reader.tokenType() == QXmlStreamReader::EndDocument)
            return QString();
        fedAtLastToken = fed;
        const QString problem = tree.add(reader);
        if (!problem.isEmpty())
            return problem;
    }
}

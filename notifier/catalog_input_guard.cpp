#include "catalog_input_guard.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QStringDecoder>

namespace {

QString trDialog(const char *text)
{
    return QCoreApplication::translate("UpdateDialog", text);
}

// The encoding named in an XML declaration at the start of an ASCII-compatible body.
QByteArray declaredEncoding(const QByteArray &body)
{
    if (!body.startsWith("<?xml"))
        return QByteArray();
    const qsizetype end = body.indexOf("?>");
    if (end < 0 || end > 1024)
        return QByteArray();
    const QByteArray declaration = body.left(end);
    qsizetype at = declaration.indexOf("encoding");
    if (at < 0)
        return QByteArray();
    at = declaration.indexOf('=', at);
    if (at < 0)
        return QByteArray();
    ++at;
    while (at < declaration.size() && (declaration.at(at) == ' ' || declaration.at(at) == '\t' ||
                                       declaration.at(at) == '\r' || declaration.at(at) == '\n'))
        ++at;
    if (at >= declaration.size() || (declaration.at(at) != '"' && declaration.at(at) != '\''))
        return QByteArray();
    const char quote = declaration.at(at);
    const qsizetype close = declaration.indexOf(quote, at + 1);
    if (close < 0)
        return QByteArray();
    return declaration.mid(at + 1, close - at - 1);
}

// Decodes the body the way the parser will: a byte order mark or the zero bytes of
// UTF-16/32 first, else the declared encoding, else UTF-8.
QStringDecoder decoderFor(const QByteArray &body)
{
    const auto detected = QStringConverter::encodingForData(body, u'<');
    if (detected && *detected != QStringConverter::Utf8)
        return QStringDecoder(*detected);
    const QByteArray declared = declaredEncoding(body);
    if (declared.isEmpty())
        return QStringDecoder(QStringConverter::Utf8);
    return QStringDecoder(declared.constData());
}

bool isXmlSpace(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

// Follows the markup character by character, across chunk boundaries: where elements
// start and end, their attributes, and the parts of the document that hold no elements.
class MarkupScanner
{
public:
    // Empty text while the markup is acceptable so far.
    QString scan(QStringView text)
    {
        for (const QChar c : text) {
            step(c.unicode());
            if (!problem_.isEmpty())
                break;
            if (forget_) {
                prev2_ = prev_ = 0;
                forget_ = false;
            } else {
                prev2_ = prev_;
                prev_ = c.unicode();
            }
        }
        return problem_;
    }

private:
    enum class State { Text, Open, StartTag, EndTag, Bang, Comment, CData, Instruction, Doctype };

    void step(char16_t c)
    {
        switch (state_) {
        case State::Text:
            if (c == u'<') {
                state_ = State::Open;
                inText_ = false;
            } else if (!inText_ && !isXmlSpace(c)) {
                inText_ = true; // the parser keeps text that is not blank as a node
                countNode();
            }
            break;
        case State::Open:
            if (c == u'/') {
                state_ = State::EndTag;
            } else if (c == u'?') {
                countNode();
                enter(State::Instruction);
            } else if (c == u'!') {
                bang_.clear();
                state_ = State::Bang;
            } else {
                startElement();
            }
            break;
        case State::StartTag:
            inStartTag(c);
            break;
        case State::EndTag:
            if (c == u'>') {
                if (depth_ > 0)
                    --depth_;
                state_ = State::Text;
            }
            break;
        case State::Bang:
            inBang(c);
            break;
        case State::Comment:
            if (c == u'>' && prev_ == u'-' && prev2_ == u'-')
                state_ = State::Text;
            break;
        case State::CData:
            if (c == u'>' && prev_ == u']' && prev2_ == u']')
                state_ = State::Text;
            break;
        case State::Instruction:
            if (c == u'>' && prev_ == u'?')
                state_ = State::Text;
            break;
        case State::Doctype:
            inDoctype(c);
            break;
        }
    }

    // Forgets the opening characters, so that "<!-->" or "<?>" does not read as closed.
    void enter(State state)
    {
        state_ = state;
        forget_ = true;
    }

    // Comments, instructions and CDATA sections become tree nodes as well as elements.
    void countNode()
    {
        if (++nodes_ > kMaxCatalogNodes)
            problem_ = trDialog("The catalog has more than %1 nodes.").arg(kMaxCatalogNodes);
    }

    void startElement()
    {
        state_ = State::StartTag;
        quote_ = 0;
        attributes_ = 0;
        countNode();
        if (++depth_ > kMaxCatalogDepth)
            problem_ = trDialog("The catalog nests elements more than %1 levels deep.")
                           .arg(kMaxCatalogDepth);
    }

    // Follows quoted values and literals, where markup characters mean nothing; true
    // while c is part of one.
    bool inQuotes(char16_t c)
    {
        if (quote_) {
            if (c == quote_)
                quote_ = 0;
            return true;
        }
        if (c == u'"' || c == u'\'') {
            quote_ = c;
            return true;
        }
        return false;
    }

    void inStartTag(char16_t c)
    {
        if (inQuotes(c))
            return;
        if (c == u'=') {
            if (++attributes_ > kMaxCatalogAttributes)
                problem_ = trDialog("An element of the catalog has more than %1 attributes.")
                               .arg(kMaxCatalogAttributes);
        } else if (c == u'>') {
            if (prev_ == u'/' && depth_ > 0)
                --depth_; // empty-element tag
            state_ = State::Text;
        }
    }

    void inBang(char16_t c)
    {
        bang_.append(QChar(c));
        if (bang_ == u"--") {
            countNode();
            enter(State::Comment);
        } else if (bang_ == u"[CDATA[") {
            countNode();
            enter(State::CData);
        } else if (bang_ == u"DOCTYPE") {
            quote_ = 0;
            state_ = State::Doctype;
        } else if (!QStringView(u"--").startsWith(bang_) &&
                   !QStringView(u"[CDATA[").startsWith(bang_) &&
                   !QStringView(u"DOCTYPE").startsWith(bang_)) {
            // Not well-formed here; the parser stops at it.
            state_ = State::Text;
        }
    }

    void inDoctype(char16_t c)
    {
        if (inQuotes(c))
            return;
        if (c == u'[') {
            // Entity and default-attribute declarations live in the internal subset; an
            // external one is never loaded.
            problem_ = trDialog("The catalog carries its own document type declarations, "
                                "which are not accepted.");
        } else if (c == u'>') {
            state_ = State::Text;
        }
    }

    State state_ = State::Text;
    char16_t prev_ = 0;
    char16_t prev2_ = 0;
    bool forget_ = false;
    char16_t quote_ = 0;
    QString bang_;
    int depth_ = 0;
    int attributes_ = 0;
    qint64 nodes_ = 0;
    bool inText_ = false;
    QString problem_;
};

} // namespace

QString catalogInputProblem(const QByteArray &body)
{
    QStringDecoder decoder = decoderFor(body);
    if (!decoder.isValid())
        return QString(); // the parser names the unknown encoding

    // Decoded a piece at a time, so that the body is not held a second time.
    constexpr qsizetype chunk = 64 * 1024;
    MarkupScanner scanner;
    for (qsizetype at = 0; at < body.size(); at += chunk) {
        const QString text =
            decoder.decode(QByteArrayView(body).sliced(at, qMin(chunk, body.size() - at)));
        const QString problem = scanner.scan(text);
        if (!problem.isEmpty())
            return problem;
    }
    return QString();
}

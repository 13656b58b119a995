#include "XmlTreeReader.h"

#include "StringEncoding.h"
#include "XmlEscaping.h"

#include <QCoreApplication>
#include <QXmlStreamReader>

namespace {

// Undeclared entities are resolved by name. The reader parses the replacement
// as markup, so the character is handed back escaped.
class NamedEntityResolver final : public QXmlStreamEntityResolver {
public:
    QString resolveUndeclaredEntity(const QString& name) override
    {
        const QString resolved = rv::convertSingleEntity(name);
        if (resolved == name)
            return QStringLiteral("&amp;") + name + u';';
        return xmlEscaped(resolved);
    }
};

// Element names and whitespace runs repeat endlessly in server answers; keeping
// one shared copy of each saves an allocation per element.
class StringPool {
public:
    QString get(QStringView text)
    {
        if (text.size() > 64)
            return text.toString();
        for (const QString& known : m_strings) {
            if (known == text)
                return known;
        }
        if (m_strings.size() < 256)
            m_strings.push_back(text.toString());
        return text.toString();
    }

private:
    std::vector<QString> m_strings;
};

QString printedError(const QXmlStreamReader& reader)
{
    return QCoreApplication::translate("XMLRPCDecoder", "%1 (line %2, position %3, code %4)")
        .arg(reader.errorString())
        .arg(reader.lineNumber())
        .arg(reader.columnNumber())
        .arg(int(reader.error()));
}

} // namespace

XmlTreeReader::Result XmlTreeReader::read(const QByteArray& bytes)
{
    Result result;
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    NamedEntityResolver resolver;
    reader.setEntityResolver(&resolver);

    StringPool pool;
    std::vector<XmlNode*> open{&result.document};

    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            result.refusedDTD = true;
            result.error =
                QCoreApplication::translate("XMLRPCDecoder", "The document declares a DTD.");
            return result;
        case QXmlStreamReader::StartElement: {
            if (int(open.size()) > maxDepth) {
                result.error = QCoreApplication::translate("XMLRPCDecoder",
                                                           "Elements nested too deeply (line %1)")
                                   .arg(reader.lineNumber());
                return result;
            }
            XmlNode& element = open.back()->appendChild(
                XmlNode(XmlNode::Kind::Element, pool.get(reader.qualifiedName())));
            const QXmlStreamAttributes attributes = reader.attributes();
            for (const QXmlStreamAttribute& attribute : attributes)
                element.addAttribute(pool.get(attribute.qualifiedName()),
                                     attribute.value().toString());
            open.push_back(&element);
            break;
        }
        case QXmlStreamReader::EndElement:
            open.pop_back();
            if (open.size() == 1) { // the root is complete: what follows is junk
                result.ok = true;
                return result;
            }
            break;
        case QXmlStreamReader::Characters:
            if (open.size() > 1) {
                const QStringView text = reader.text();
                const auto kind = reader.isCDATA() ? XmlNode::Kind::CData : XmlNode::Kind::Text;
                open.back()->appendText(kind,
                                        reader.isWhitespace() ? pool.get(text) : text.toString());
            }
            break;
        default:
            break;
        }
    }
    if (reader.hasError()) {
        result.error = printedError(reader);
        return result;
    }
    result.ok = true;
    return result;
}

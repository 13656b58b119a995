#include "XMLRPCDecoder.h"

#include "Base64Encoding.h"
#include "XMLRPCDates.h"
#include "XmlTreeReader.h"

#include <QCoreApplication>
#include <QLocale>
#include <array>
#include <limits>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XMLRPCDecoder", text);
}

// Member names other parts of the program look up in lower case.
constexpr std::array<QLatin1StringView, 29> foldedMemberNames{
    QLatin1StringView("description"),
    QLatin1StringView("blogid"),
    QLatin1StringView("blogName"),
    QLatin1StringView("postid"),
    QLatin1StringView("dateCreated"),
    QLatin1StringView("userid"),
    QLatin1StringView("url"),
    QLatin1StringView("title"),
    QLatin1StringView("link"),
    QLatin1StringView("permaLink"),
    QLatin1StringView("mt_excerpt"),
    QLatin1StringView("mt_text_more"),
    QLatin1StringView("mt_allow_comments"),
    QLatin1StringView("mt_allow_pings"),
    QLatin1StringView("mt_convert_breaks"),
    QLatin1StringView("mt_keywords"),
    QLatin1StringView("categoryId"),
    QLatin1StringView("categoryName"),
    QLatin1StringView("isPrimary"),
    QLatin1StringView("key"),
    QLatin1StringView("label"),
    QLatin1StringView("category"),
    QLatin1StringView("categories"),
    QLatin1StringView("mt_tags"),
    QLatin1StringView("author"),
    QLatin1StringView("firstname"),
    QLatin1StringView("lastname"),
    QLatin1StringView("rssUrl"),
    QLatin1StringView("htmlUrl"),
};

QString foldedMemberName(const QString& name)
{
    for (QLatin1StringView known : foldedMemberNames) {
        if (name.size() == known.size() && name.compare(known, Qt::CaseInsensitive) == 0)
            return name.toLower();
    }
    return name;
}

// The leading integer of the text ("42abc" is 42, "abc" is 0); saturates
// instead of wrapping.
qint64 leadingInteger(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QVariant integerValue(QStringView text)
{
    const qint64 value = leadingInteger(text);
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        return int(value);
    return value;
}

QVariant realValue(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? value : double(leadingInteger(text));
}

QVariant decodeArray(const XmlNode& array)
{
    const XmlNode* data = array.lastChild(u"data");
    if (!data)
        return {};
    QVariantList list;
    for (const XmlNode& child : data->children()) {
        if (!child.isElement() || child.name() != u"value")
            continue;
        QVariant element = XMLRPCDecoder::decodeValue(child);
        if (element.isValid())
            list.append(std::move(element));
    }
    return list;
}

QVariant decodeDictionary(const XmlNode& structure)
{
    QVariantMap map;
    for (const XmlNode& member : structure.children()) {
        if (!member.isElement() || member.name() != u"member")
            continue;
        const XmlNode* nameNode = member.lastChild(u"name");
        if (!nameNode)
            continue;
        const QString name = nameNode->childText();
        if (name.isEmpty())
            continue;
        const XmlNode* valueNode = member.lastChild(u"value");
        QVariant value = valueNode ? XMLRPCDecoder::decodeValue(*valueNode) : QVariant();
        map.insert(foldedMemberName(name), value.isValid() ? value : QVariant(QStringLiteral("")));
    }
    return map;
}

DecodeResult refusedAsHTML()
{
    return DecodeResult::refusal(
        DecodeResult::Error::HTMLInsteadOfXML,
        tr("Received HTML from server instead of XML. Is the access point correct?"));
}

} // namespace

QVariant XMLRPCDecoder::decodeValue(const XmlNode& value)
{
    const XmlNode* typed = value.firstElementChild();
    if (!typed) // an untyped value is a string; an empty one is nothing
        return value.children().empty() ? QVariant() : QVariant(value.childText());

    const QString& type = typed->name();
    if (type == u"string")
        return typed->childText();
    if (type == u"struct")
        return decodeDictionary(*typed);
    if (type == u"array")
        return decodeArray(*typed);
    if (type == u"int" || type == u"i4")
        return integerValue(typed->childText());
    if (type == u"i8" || type == u"ex:i8")
        return leadingInteger(typed->childText());
    if (type == u"double")
        return realValue(typed->childText());
    if (type == u"boolean")
        return typed->childText().trimmed() == u"1";
    if (type == u"dateTime.iso8601") {
        const QDateTime date = parseXMLRPCDate(typed->childText());
        return date.isValid() ? QVariant(date) : QVariant();
    }
    if (type == u"base64")
        return rv::dataWithBase64EncodedString(typed->childText());
    return type; // an unknown type (say <nil/>) reads as its name
}

DecodeResult XMLRPCDecoder::decode(const QByteArray& bytes)
{
    if (!QUtf8StringView(bytes).isValidUtf8())
        return DecodeResult::refusal(DecodeResult::Error::EmptyData,
                                     tr("Server returned empty data!"));

    // UTF-8 read as Latin-1 keeps every ASCII byte where it is, which is all
    // these searches need, and saves decoding the whole answer twice.
    const QLatin1StringView text(bytes);
    if (text.contains(QLatin1StringView("XML-RPC server accepts POST requests only"),
                      Qt::CaseInsensitive))
        return DecodeResult::refusal(
            DecodeResult::Error::PostRequestsOnly,
            tr("Received \"XML-RPC server accepts POST requests only\" message from server, "
               "which means your server is blocking access. See the FAQ on how to resolve "
               "this."));

    // A post body may well quote HTML, so HTML only counts when the answer is
    // not a methodResponse.
    const bool mentionsHTML = text.contains(QLatin1StringView("<html"), Qt::CaseInsensitive);
    const qsizetype declaration = text.indexOf(QLatin1StringView("<?xml"));
    if (declaration < 0)
        return mentionsHTML ? refusedAsHTML() : DecodeResult::unexpectedData();

    // Junk in front of the declaration and behind the closing tag is dropped.
    QByteArray document = bytes.mid(declaration);
    const qsizetype closing = QLatin1StringView(document).lastIndexOf(QLatin1StringView("</method"),
                                                                      -1, Qt::CaseInsensitive);
    if (closing > 0) {
        document.truncate(closing);
        document.append("</methodResponse>");
    }

    const XmlTreeReader::Result tree = XmlTreeReader::read(document);
    if (tree.refusedDTD && !mentionsHTML)
        return DecodeResult::unexpectedData();
    if (!tree.ok)
        return mentionsHTML ? refusedAsHTML()
                            : DecodeResult::refusal(DecodeResult::Error::ParseError, tree.error);

    const XmlNode* response = tree.document.lastChild(u"methodResponse");
    if (!response)
        return mentionsHTML ? refusedAsHTML() : DecodeResult::fromValue({});

    if (const XmlNode* params = response->lastChild(u"params")) {
        const XmlNode* param = params->lastChild(u"param");
        const XmlNode* value = param ? param->lastChild(u"value") : nullptr;
        return DecodeResult::fromValue(value ? decodeValue(*value) : QVariant());
    }
    const XmlNode* fault = response->lastChild(u"fault");
    const XmlNode* value = fault ? fault->lastChild(u"value") : nullptr;
    if (!value)
        return DecodeResult::fromValue({});
    return DecodeResult::fromServerFault(decodeValue(*value));
}

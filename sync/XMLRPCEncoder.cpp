#include "XMLRPCEncoder.h"

#include "Base64Encoding.h"
#include "ConsoleMasking.h"
#include "ConsoleSink.h"
#include "XMLRPCDates.h"
#include "XmlEscaping.h"

#include <QDateTime>
#include <cmath>
#include <limits>

namespace {

// One scalar value element. Only "&", "<" and ">" are escaped: servers
// compare the rest as sent.
void valueTag(QString& out, QLatin1StringView tag, QStringView text)
{
    out += QLatin1StringView("\n\t\t<value><");
    out += tag;
    out += u'>';
    appendXmlEscaped(out, text);
    out += QLatin1StringView("</");
    out += tag;
    out += QLatin1StringView("></value>");
}

} // namespace

QByteArray XMLRPCEncoder::document() const
{
    return m_method.isEmpty() ? QByteArray() : documentText().toUtf8();
}

QByteArray XMLRPCEncoder::encode(const QUrl& endpoint) const
{
    if (m_method.isEmpty())
        return {};
    const QString text = documentText();
    const QString password = objects().value(QStringLiteral("password")).toString();

    ConsoleSink::beginExchange();
    ConsoleSink& console = ConsoleSink::shared();
    console.addToConsole(QStringLiteral("Request with URL:\n"));
    console.addToConsole(maskedAddress(endpoint));
    console.addToConsole(QStringLiteral("\nand data:\n"));
    console.addToConsole(maskedRequestText(text, password));
    console.addToConsole(QStringLiteral("\n\n"));
    return text.toUtf8();
}

QString XMLRPCEncoder::documentText() const
{
    QString out;
    out +=
        QLatin1StringView("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodCall>\n<methodName>");
    out += m_method;
    out += QLatin1StringView("</methodName>");
    if (m_objects && m_keys) {
        out += QLatin1StringView("\n<params>");
        for (const QString& key : *m_keys) {
            const auto found = m_objects->constFind(key);
            if (found == m_objects->constEnd())
                continue;
            out += QLatin1StringView("\n\t<param>");
            encodeObject(out, *found);
            out += QLatin1StringView("\n\t</param>");
        }
        out += QLatin1StringView("\n</params>");
    }
    out += QLatin1StringView("\n</methodCall>");
    return out;
}

void XMLRPCEncoder::encodeObject(QString& out, const QVariant& value) const
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        encodeArray(out, value.toList());
        return;
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        encodeDictionary(out, value.toMap());
        return;
    case QMetaType::Bool:
        valueTag(out, QLatin1StringView("boolean"),
                 value.toBool() ? QStringView(u"1") : QStringView(u"0"));
        return;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        encodeNumber(out, value);
        return;
    case QMetaType::QDateTime:
        valueTag(out, QLatin1StringView("dateTime.iso8601"),
                 formatXMLRPCDate(value.toDateTime(), m_convertUTC));
        return;
    case QMetaType::QDate:
        valueTag(out, QLatin1StringView("dateTime.iso8601"),
                 formatXMLRPCDate(value.toDate().startOfDay(), m_convertUTC));
        return;
    case QMetaType::QByteArray:
        valueTag(out, QLatin1StringView("base64"),
                 rv::base64EncodingWithLineLength(value.toByteArray(), 0));
        return;
    default:
        // Other containers (QList<QVariantMap>, QMap<QString, QString>, ...) keep their shape.
        if (!value.canConvert<QString>()) {
            if (value.canConvert<QVariantMap>()) {
                encodeDictionary(out, value.toMap());
                return;
            }
            if (value.canConvert<QVariantList>()) {
                encodeArray(out, value.toList());
                return;
            }
        }
        valueTag(out, QLatin1StringView("string"), value.toString());
        return;
    }
}

void XMLRPCEncoder::encodeArray(QString& out, const QVariantList& list) const
{
    out += QLatin1StringView("\n\t<value><array><data>");
    for (const QVariant& element : list)
        encodeObject(out, element);
    out += QLatin1StringView("\n\t</data></array></value>");
}

void XMLRPCEncoder::encodeDictionary(QString& out, const QVariantMap& map) const
{
    out += QLatin1StringView("\n\t<value><struct>");
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        out += QLatin1StringView("\n\t<member>\n\t\t<name>");
        out += it.key();
        out += QLatin1StringView("</name>");
        encodeObject(out, it.value());
        out += QLatin1StringView("\n\t</member>");
    }
    out += QLatin1StringView("\n\t</struct></value>");
}

void XMLRPCEncoder::encodeNumber(QString& out, const QVariant& number) const
{
    const bool floating =
        number.typeId() == QMetaType::Double || number.typeId() == QMetaType::Float;
    if (!floating) {
        valueTag(out, QLatin1StringView("i4"), number.toString());
        return;
    }
    // Whole numbers stay "i4" as servers expect; only a real fraction (or a
    // value no integer can hold) is written as "double".
    const double value = number.toDouble();
    const bool whole = std::isfinite(value) && value == std::trunc(value) &&
                       std::fabs(value) <= double(std::numeric_limits<qint32>::max());
    if (whole)
        valueTag(out, QLatin1StringView("i4"), QString::number(qint64(value)));
    else
        valueTag(out, QLatin1StringView("double"),
                 QString::number(value, 'g', QLocale::FloatingPointShortest));
}

// The value of an XML-RPC scalar element from its type and its text.
#include "XmlRpcScalarDecoder.h"

#include "Base64Encoding.h"
#include "XMLRPCDates.h"
#include "XmlRpcText.h"

QVariant XmlRpcScalarDecoder::decode(Type type, const QString& text)
{
    switch (type) {
    case Type::String:
        return text;
    case Type::Int:
        return XmlRpcText::integerValue(text);
    case Type::Int64:
        return XmlRpcText::leadingInteger(text);
    case Type::Double:
        return XmlRpcText::realValue(text);
    case Type::Boolean:
        return QStringView(text).trimmed() == u"1";
    case Type::Date:
        return date(text);
    case Type::Base64:
        return base64(text);
    }
    return {};
}

QVariant XmlRpcScalarDecoder::base64(QByteArrayView encoded)
{
    return rv::dataWithBase64EncodedString(encoded);
}

QVariant XmlRpcScalarDecoder::base64(const QString& encoded)
{
    return rv::dataWithBase64EncodedString(encoded);
}

QVariant XmlRpcScalarDecoder::date(const QString& text)
{
    if (const auto known = m_dates.constFind(text); known != m_dates.cend())
        return known.value();
    if (!m_localZone)
        m_localZone = QTimeZone::systemTimeZone();
    const QDateTime date = parseXMLRPCDate(text, *m_localZone);
    const QVariant value = date.isValid() ? QVariant(date) : QVariant();
    if (m_dates.size() >= 256)
        m_dates.clear();
    m_dates.insert(text, value);
    return value;
}

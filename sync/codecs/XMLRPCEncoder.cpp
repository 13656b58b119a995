#include "XMLRPCEncoder.h"

#include "Base64Encoding.h"
#include "ConsoleMasking.h"
#include "XMLRPCDates.h"
#include "XmlEscaping.h"

#include <QCoreApplication>
#include <QDateTime>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XMLRPCEncoder", text);
}

// Room the value will take, near enough that the document is made at its
// full size once; Base64 payloads, which are all that is large in an upload,
// are counted exactly.
qsizetype sizeHint(const QVariant& value)
{
    constexpr qsizetype markup = 64;
    switch (value.typeId()) {
    case QMetaType::QVariantList: {
        qsizetype size = markup;
        for (const QVariant& element : value.toList())
            size += sizeHint(element);
        return size;
    }
    case QMetaType::QVariantMap: {
        const QVariantMap map = value.toMap();
        qsizetype size = markup;
        for (auto it = map.constBegin(); it != map.constEnd(); ++it)
            size += markup + it.key().size() * 3 + sizeHint(it.value());
        return size;
    }
    case QMetaType::QByteArray:
        return markup + rv::base64Length(value.toByteArray().size());
    case QMetaType::QString:
        return markup + value.toString().size() * 3;
    default:
        return markup;
    }
}

} // namespace

// Writes values into the UTF-8 document; stops at the first value that
// cannot be written and says why.
class XMLRPCEncoder::Writer {
public:
    Writer(QByteArray& out, bool convertUTC) : m_out(out), m_convertUTC(convertUTC) {}

    // `name` is the innermost parameter or member name, for the error text.
    bool value(const QVariant& value, QStringView name);
    const QString& error() const { return m_error; }

private:
    bool array(const QVariantList& list, QStringView name);
    bool dictionary(const QVariantMap& map);
    bool number(const QVariant& number, QStringView name);
    void scalar(const char* tag, QByteArrayView text);
    void string(QStringView text);

    QByteArray& m_out;
    bool m_convertUTC;
    QString m_error;
};

bool XMLRPCEncoder::Writer::value(const QVariant& value, QStringView name)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return true;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return array(value.toList(), name);
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return dictionary(value.toMap());
    case QMetaType::Bool:
        scalar("boolean", value.toBool() ? "1" : "0");
        return true;
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
        return number(value, name);
    case QMetaType::QDateTime:
        scalar("dateTime.iso8601", formatXMLRPCDate(value.toDateTime(), m_convertUTC).toLatin1());
        return true;
    case QMetaType::QDate:
        scalar("dateTime.iso8601",
               formatXMLRPCDate(value.toDate().startOfDay(), m_convertUTC).toLatin1());
        return true;
    case QMetaType::QByteArray:
        m_out += "\n\t\t<value><base64>";
        rv::appendBase64(m_out, value.toByteArray());
        m_out += "</base64></value>";
        return true;
    case QMetaType::QString:
        string(value.toString());
        return true;
    default:
        // Other containers (QList<QVariantMap>, QMap<QString, QString>, ...) keep their shape.
        if (!value.canConvert<QString>()) {
            if (value.canConvert<QVariantMap>())
                return dictionary(value.toMap());
            if (value.canConvert<QVariantList>())
                return array(value.toList(), name);
        }
        string(value.toString());
        return true;
    }
}

bool XMLRPCEncoder::Writer::array(const QVariantList& list, QStringView name)
{
    m_out += "\n\t<value><array><data>";
    for (const QVariant& element : list) {
        if (!value(element, name))
            return false;
    }
    m_out += "\n\t</data></array></value>";
    return true;
}

bool XMLRPCEncoder::Writer::dictionary(const QVariantMap& map)
{
    m_out += "\n\t<value><struct>";
    for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
        m_out += "\n\t<member>\n\t\t<name>";
        m_out += it.key().toUtf8();
        m_out += "</name>";
        const QVariant& member = it.value();
        if (member.typeId() == QMetaType::UnknownType || member.typeId() == QMetaType::Nullptr)
            string({}); // a member needs a value to be a member at all
        else if (!value(member, it.key()))
            return false;
        m_out += "\n\t</member>";
    }
    m_out += "\n\t</struct></value>";
    return true;
}

bool XMLRPCEncoder::Writer::number(const QVariant& number, QStringView name)
{
    const bool floating =
        number.typeId() == QMetaType::Double || number.typeId() == QMetaType::Float;
    if (!floating) {
        scalar("i4", number.toString().toLatin1());
        return true;
    }
    const double value = number.toDouble();
    if (!std::isfinite(value)) {
        m_error = tr("The value of \u201C%1\u201D is %2, which an XML-RPC request cannot carry.")
                      .arg(name, std::isnan(value) ? tr("not a number") : tr("infinite"));
        return false;
    }
    // Whole numbers stay "i4" as servers expect; only a real fraction (or a
    // value no integer can hold) is written as "double", in plain decimal:
    // the protocol knows no exponents.
    if (value == std::trunc(value) &&
        std::fabs(value) <= double(std::numeric_limits<qint32>::max())) {
        scalar("i4", QByteArray::number(qint64(value)));
        return true;
    }
    char text[400]; // the longest plain form of a double has 309 integer digits
    const std::to_chars_result written =
        number.typeId() == QMetaType::Float
            ? std::to_chars(text, text + sizeof text, number.toFloat(), std::chars_format::fixed)
            : std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
    scalar("double", QByteArrayView(text, written.ptr - text));
    return true;
}

// One scalar value element whose text needs no escaping.
void XMLRPCEncoder::Writer::scalar(const char* tag, QByteArrayView text)
{
    m_out += "\n\t\t<value><";
    m_out += tag;
    m_out += '>';
    m_out += text;
    m_out += "</";
    m_out += tag;
    m_out += "></value>";
}

// Only "&", "<" and ">" are escaped: servers compare the rest as sent.
void XMLRPCEncoder::Writer::string(QStringView text)
{
    m_out += "\n\t\t<value><string>";
    appendXmlEscaped(m_out, text);
    m_out += "</string></value>";
}

QByteArray XMLRPCEncoder::document(QString* error) const
{
    if (m_method.isEmpty())
        return {};
    const bool withParams = m_objects && m_keys;
    qsizetype size = 256 + m_method.size() * 3;
    if (withParams) {
        for (const QString& key : *m_keys)
            size += sizeHint(m_objects->value(key));
    }
    QByteArray out;
    out.reserve(size);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<methodCall>\n<methodName>";
    out += m_method.toUtf8();
    out += "</methodName>";
    if (withParams) {
        Writer writer(out, m_convertUTC);
        out += "\n<params>";
        for (const QString& key : *m_keys) {
            const auto found = m_objects->constFind(key);
            if (found == m_objects->constEnd())
                continue;
            out += "\n\t<param>";
            if (!writer.value(*found, key)) {
                if (error)
                    *error = writer.error();
                return {};
            }
            out += "\n\t</param>";
        }
        out += "\n</params>";
    }
    out += "\n</methodCall>";
    return out;
}

QString XMLRPCEncoder::consoleCopy(const QUrl& endpoint, const QByteArray& document) const
{
    if (document.isEmpty())
        return {};
    const QString password = objects().value(QStringLiteral("password")).toString();
    return QStringLiteral("Request with URL:\n") + maskedAddress(endpoint) +
           QStringLiteral("\nand data:\n") + maskedRequestText(document, password) +
           QStringLiteral("\n\n");
}

#include "PropertyList.h"

#include "AtomicFile.h"
#include "BinaryPlistReader.h"
#include "PlistUid.h"
#include "ReferenceDate.h"

#include <QDateTime>
#include <QFile>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <plist/plist.h>

namespace {

using PlistPtr = std::unique_ptr<void, decltype(&plist_free)>;

PlistPtr makePtr(plist_t node)
{
    return PlistPtr(node, &plist_free);
}

void setError(QString* error, const QString& text)
{
    if (error)
        *error = text;
}

// Converts the tree the library parsed from XML, checking every node.
class Reader {
public:
    QString error;

    QVariant convert(plist_t node, int depth)
    {
        if (!error.isEmpty())
            return {};
        if (!node)
            return fail(QStringLiteral("a value is missing"));
        if (depth > PropertyList::MaxDepth)
            return fail(QStringLiteral("the values are nested too deeply"));
        switch (plist_get_node_type(node)) {
        case PLIST_BOOLEAN: {
            uint8_t value = 0;
            plist_get_bool_val(node, &value);
            return QVariant(value != 0);
        }
        case PLIST_UINT: {
            uint64_t value = 0;
            plist_get_uint_val(node, &value);
            // Stored integers are signed 64-bit numbers; the library hands
            // them out unsigned.
            return QVariant(static_cast<qint64>(value));
        }
        case PLIST_REAL: {
            double value = 0;
            plist_get_real_val(node, &value);
            return QVariant(value);
        }
        case PLIST_STRING:
        case PLIST_KEY:
            return QVariant(stringOf(node));
        case PLIST_DATE:
            return QVariant(dateOf(node));
        case PLIST_DATA: {
            uint64_t length = 0;
            const char* bytes = plist_get_data_ptr(node, &length);
            if (!bytes && length > 0)
                return fail(QStringLiteral("a data value is damaged"));
            return QVariant(QByteArray(bytes, static_cast<qsizetype>(length)));
        }
        case PLIST_UID: {
            uint64_t value = 0;
            plist_get_uid_val(node, &value);
            return QVariant::fromValue(PlistUid{value});
        }
        case PLIST_ARRAY:
            return arrayOf(node, depth);
        case PLIST_DICT:
            return dictionaryOf(node, depth);
        case PLIST_NONE:
            break;
        }
        return fail(QStringLiteral("a value has an unknown type"));
    }

private:
    QVariant fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
        return {};
    }

    static QString stringOf(plist_t node)
    {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        if (!text)
            return QString();
        return QString::fromUtf8(text, static_cast<qsizetype>(length));
    }

    static QDateTime dateOf(plist_t node)
    {
        int32_t seconds = 0;
        int32_t micros = 0;
        plist_get_date_val(node, &seconds, &micros);
        // The library splits a negative time toward zero and keeps the
        // fraction's magnitude: -1.5 s comes out as (-1, 500000).
        qint64 ms = qint64(seconds) * 1000;
        const qint64 fraction = std::llabs(micros) / 1000;
        ms += seconds < 0 ? -fraction : fraction;
        return referenceDate().addMSecs(ms);
    }

    QVariant arrayOf(plist_t node, int depth)
    {
        const uint32_t count = plist_array_get_size(node);
        QVariantList list;
        list.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            QVariant item = convert(plist_array_get_item(node, i), depth + 1);
            if (!error.isEmpty())
                return {};
            list.append(std::move(item));
        }
        return list;
    }

    QVariant dictionaryOf(plist_t node, int depth)
    {
        // XML has no UID element: a reference is written as a dictionary
        // with the single key "CF$UID".
        if (plist_dict_get_size(node) == 1) {
            plist_t uid = plist_dict_get_item(node, "CF$UID");
            if (uid && plist_get_node_type(uid) == PLIST_UINT) {
                uint64_t value = 0;
                plist_get_uint_val(uid, &value);
                return QVariant::fromValue(PlistUid{value});
            }
        }
        QVariantMap map;
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        if (!iter)
            return fail(QStringLiteral("a dictionary is damaged"));
        const uint32_t count = plist_dict_get_size(node);
        for (uint32_t i = 0; i < count; ++i) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, iter, &key, &value);
            if (!key) {
                fail(QStringLiteral("a dictionary key is missing"));
                break;
            }
            const QString name = QString::fromUtf8(key);
            std::free(key);
            QVariant item = convert(value, depth + 1);
            if (!error.isEmpty())
                break;
            map.insert(name, std::move(item));
        }
        std::free(iter);
        if (!error.isEmpty())
            return {};
        return map;
    }
};

class Writer {
public:
    QString error;

    plist_t convert(const QVariant& value, int depth)
    {
        if (depth > PropertyList::MaxDepth)
            return fail(QStringLiteral("the values are nested too deeply"));
        switch (value.metaType().id()) {
        case QMetaType::Bool:
            return plist_new_bool(value.toBool() ? 1 : 0);
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Char:
        case QMetaType::SChar:
            return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
        case QMetaType::UInt:
        case QMetaType::UShort:
        case QMetaType::UChar:
        case QMetaType::ULongLong: {
            const qulonglong number = value.toULongLong();
            if (number > qulonglong(std::numeric_limits<qint64>::max()))
                return fail(QStringLiteral("the number %1 is too large").arg(number));
            return plist_new_uint(number);
        }
        case QMetaType::Double:
        case QMetaType::Float: {
            const double number = value.toDouble();
            if (!std::isfinite(number))
                return fail(QStringLiteral("a number is not finite"));
            return plist_new_real(number);
        }
        case QMetaType::QString:
            return stringNode(value.toString());
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            return plist_new_data(bytes.constData(), uint64_t(bytes.size()));
        }
        case QMetaType::QDateTime:
            return dateNode(value.toDateTime());
        case QMetaType::QStringList:
        case QMetaType::QVariantList:
            return arrayNode(value.toList(), depth);
        case QMetaType::QVariantMap:
        case QMetaType::QVariantHash:
            return dictionaryNode(value.toMap(), depth);
        default:
            break;
        }
        if (value.metaType() == QMetaType::fromType<PlistUid>())
            return plist_new_uid(value.value<PlistUid>().value);
        if (!value.isValid())
            return fail(QStringLiteral("a property list cannot hold an empty value"));
        return fail(QStringLiteral("a property list cannot hold a value of type %1")
                        .arg(QString::fromLatin1(value.metaType().name())));
    }

private:
    plist_t fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
        return nullptr;
    }

    // The library takes C strings: a NUL would silently cut the text short.
    plist_t stringNode(const QString& text)
    {
        if (text.contains(QChar(0)))
            return fail(QStringLiteral("a text contains a NUL character"));
        return plist_new_string(text.toUtf8().constData());
    }

    plist_t dateNode(const QDateTime& date)
    {
        if (!date.isValid())
            return fail(QStringLiteral("a date is invalid"));
        const qint64 ms = referenceDate().msecsTo(date);
        const qint64 seconds = ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000);
        const qint64 micros = (ms - seconds * 1000) * 1000;
        if (seconds < std::numeric_limits<int32_t>::min() ||
            seconds > std::numeric_limits<int32_t>::max())
            return fail(
                QStringLiteral("the date %1 is out of range").arg(date.toString(Qt::ISODate)));
        return plist_new_date(int32_t(seconds), int32_t(micros));
    }

    plist_t arrayNode(const QVariantList& list, int depth)
    {
        PlistPtr array = makePtr(plist_new_array());
        for (const QVariant& item : list) {
            plist_t child = convert(item, depth + 1);
            if (!child)
                return nullptr;
            plist_array_append_item(array.get(), child);
        }
        return array.release();
    }

    plist_t dictionaryNode(const QVariantMap& map, int depth)
    {
        PlistPtr dict = makePtr(plist_new_dict());
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.key().contains(QChar(0)))
                return fail(QStringLiteral("a key contains a NUL character"));
            plist_t child = convert(it.value(), depth + 1);
            if (!child)
                return nullptr;
            plist_dict_set_item(dict.get(), it.key().toUtf8().constData(), child);
        }
        return dict.release();
    }
};

// The XML parser recurses once per element: a deep enough file overflows the
// stack. Counts element nesting the cheap way (every start tag opens a level,
// comments and CDATA skipped) and stops past the limit.
bool xmlNestingWithinLimit(const QByteArray& bytes, int limit)
{
    int depth = 0;
    qsizetype close = -1;
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size; ++i) {
        if (bytes[i] != '<')
            continue;
        if (bytes.mid(i, 4) == "<!--") {
            const qsizetype end = bytes.indexOf("-->", i + 4);
            if (end < 0)
                return true;
            i = end + 2;
            continue;
        }
        if (bytes.mid(i, 9) == "<![CDATA[") {
            const qsizetype end = bytes.indexOf("]]>", i + 9);
            if (end < 0)
                return true;
            i = end + 2;
            continue;
        }
        const char next = i + 1 < size ? bytes[i + 1] : '\0';
        if (next == '/') {
            --depth;
            continue;
        }
        if (next == '?' || next == '!')
            continue;
        // Remembered between tags, so a file of '<' alone stays linear.
        if (close < i)
            close = bytes.indexOf('>', i);
        if (close < 0)
            return true;
        if (bytes[close - 1] == '/')
            continue;
        if (++depth > limit)
            return false;
    }
    return true;
}

bool looksBinary(const QByteArray& bytes)
{
    return bytes.startsWith("bplist00");
}

} // namespace

QVariant PropertyList::read(const QByteArray& bytes, QString* error, qsizetype maxSize)
{
    if (bytes.isEmpty()) {
        setError(error, QStringLiteral("The property list is empty."));
        return {};
    }
    if (bytes.size() > maxSize || bytes.size() > std::numeric_limits<uint32_t>::max()) {
        setError(error, QStringLiteral("The property list is too large (%1 bytes, at most %2).")
                            .arg(bytes.size())
                            .arg(maxSize));
        return {};
    }
    if (looksBinary(bytes)) {
        QString problem;
        QVariant value = BinaryPlistReader::read(bytes, &problem);
        if (!value.isValid())
            setError(error,
                     QStringLiteral("The binary property list is damaged: %1.").arg(problem));
        return value;
    }
    if (!xmlNestingWithinLimit(bytes, PropertyList::MaxDepth + 2)) {
        setError(error,
                 QStringLiteral("The property list is damaged: the values are nested too deeply."));
        return {};
    }
    plist_t root = nullptr;
    plist_from_xml(bytes.constData(), uint32_t(bytes.size()), &root);
    PlistPtr owner = makePtr(root);
    if (!root) {
        setError(error, QStringLiteral("The data is not a property list, or it is damaged."));
        return {};
    }
    Reader reader;
    QVariant value = reader.convert(root, 0);
    if (!reader.error.isEmpty()) {
        setError(error, QStringLiteral("The property list is damaged: %1.").arg(reader.error));
        return {};
    }
    return value;
}

QByteArray PropertyList::write(const QVariant& value, Format format, QString* error)
{
    Writer writer;
    PlistPtr root = makePtr(writer.convert(value, 0));
    if (!root) {
        setError(error,
                 QStringLiteral("The property list could not be made: %1.").arg(writer.error));
        return {};
    }
    char* out = nullptr;
    uint32_t length = 0;
    QByteArray result;
    if (format == Format::Binary) {
        plist_to_bin(root.get(), &out, &length);
        if (out)
            result = QByteArray(out, qsizetype(length));
        plist_to_bin_free(out);
    } else {
        plist_to_xml(root.get(), &out, &length);
        if (out)
            result = QByteArray(out, qsizetype(length));
        plist_to_xml_free(out);
    }
    if (result.isEmpty())
        setError(error, QStringLiteral("The property list could not be serialised."));
    return result;
}

QVariant PropertyList::readFile(const QString& path, QString* error, qsizetype maxSize)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("The file \"%1\" could not be opened: %2.")
                            .arg(path, file.errorString()));
        return {};
    }
    if (file.size() > maxSize) {
        setError(error, QStringLiteral("The file \"%1\" is too large (%2 bytes, at most %3).")
                            .arg(path)
                            .arg(file.size())
                            .arg(maxSize));
        return {};
    }
    const QByteArray bytes = file.readAll();
    QString problem;
    QVariant value = read(bytes, &problem, maxSize);
    if (!value.isValid())
        setError(error, QStringLiteral("The file \"%1\" could not be read. %2").arg(path, problem));
    return value;
}

bool PropertyList::writeFile(const QString& path, const QVariant& value, Format format,
                             QString* error)
{
    const QByteArray bytes = write(value, format, error);
    if (bytes.isEmpty())
        return false;
    return AtomicFile::write(path, bytes, error);
}

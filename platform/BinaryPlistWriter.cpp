#include "BinaryPlistWriter.h"

#include "PlistUid.h"
#include "PlistValue.h"

#include <bit>
#include <vector>

namespace {

using plist::Kind;

// Objects are numbered in pre-order (a container, then its keys, then each
// child's subtree), so a container finds its children's numbers from the sizes
// of the subtrees before them; a first pass checks every value and measures
// them, the second writes.
class Writer {
public:
    QString error;

    bool measure(const QVariant& value, int depth)
    {
        if (depth > BinaryPlistWriter::MaxDepth)
            return fail(QStringLiteral("the values are nested too deeply"));
        QString problem;
        const std::optional<Kind> kind = plist::kindOf(value, &problem);
        if (!kind)
            return fail(problem);
        const size_t index = m_sizes.size();
        m_sizes.push_back(1);
        m_kinds.push_back(*kind);
        if (*kind == Kind::Array) {
            for (const QVariant& item : listOf(value))
                if (!measure(item, depth + 1))
                    return false;
        } else if (*kind == Kind::Dictionary) {
            const QVariantMap map = plist::dictionaryOf(value);
            m_sizes.insert(m_sizes.end(), size_t(map.size()), 1);
            m_kinds.insert(m_kinds.end(), size_t(map.size()), Kind::Text);
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                if (it.key().contains(QChar(0)))
                    return fail(QStringLiteral("a key contains a NUL character"));
                if (!measure(it.value(), depth + 1))
                    return false;
            }
        }
        m_sizes[index] = quint64(m_sizes.size() - index);
        return true;
    }

    QByteArray write(const QVariant& root)
    {
        const quint64 count = m_sizes.size();
        m_refSize = widthFor(count - 1);
        m_offsets.reserve(count);
        m_out.reserve(qsizetype(count) * 16 + 64);
        m_out.append("bplist00", 8);
        object(root);

        const quint64 tableOffset = quint64(m_out.size());
        const quint64 offsetSize = widthFor(m_offsets.empty() ? 0 : m_offsets.back());
        for (quint64 offset : m_offsets)
            bigEndian(offset, offsetSize);
        m_out.append(6, '\0');
        m_out.append(char(offsetSize));
        m_out.append(char(m_refSize));
        bigEndian(count, 8);
        bigEndian(0, 8); // the top object
        bigEndian(tableOffset, 8);
        return m_out;
    }

private:
    std::vector<quint64> m_sizes;   // subtree size of each object, by number
    std::vector<Kind> m_kinds;      // and its kind, checked once
    std::vector<quint64> m_offsets; // where each object starts
    QByteArray m_out;
    quint64 m_refSize = 1;

    bool fail(const QString& text)
    {
        if (error.isEmpty())
            error = text;
        return false;
    }

    static QVariantList listOf(const QVariant& value)
    {
        if (value.typeId() == QMetaType::QVariantList)
            return *static_cast<const QVariantList*>(value.constData());
        return value.toList();
    }

    static quint64 widthFor(quint64 largest)
    {
        if (largest <= 0xFF)
            return 1;
        if (largest <= 0xFFFF)
            return 2;
        if (largest <= 0xFFFFFFFFu)
            return 4;
        return 8;
    }

    void bigEndian(quint64 value, quint64 width)
    {
        char bytes[8];
        for (quint64 i = 0; i < width; ++i)
            bytes[width - 1 - i] = char((value >> (8 * i)) & 0xFF);
        m_out.append(bytes, qsizetype(width));
    }

    // 1-, 2- and 4-byte integers are read unsigned, 8-byte ones signed.
    void integer(qint64 value)
    {
        const quint64 width = value < 0 ? 8 : widthFor(quint64(value));
        m_out.append(char(0x10 | std::countr_zero(width)));
        bigEndian(quint64(value), width);
    }

    void marker(uchar type, quint64 count)
    {
        if (count < 15) {
            m_out.append(char(type | count));
            return;
        }
        m_out.append(char(type | 0x0F));
        integer(qint64(count));
    }

    void text(const QString& value)
    {
        const char16_t* units = reinterpret_cast<const char16_t*>(value.constData());
        const qsizetype length = value.size();
        bool ascii = true;
        for (qsizetype i = 0; i < length && ascii; ++i)
            ascii = units[i] < 0x80;
        if (ascii) {
            marker(0x50, quint64(length));
            const qsizetype at = m_out.size();
            m_out.resize(at + length);
            char* out = m_out.data() + at;
            for (qsizetype i = 0; i < length; ++i)
                out[i] = char(units[i]);
            return;
        }
        marker(0x60, quint64(length));
        const qsizetype at = m_out.size();
        m_out.resize(at + 2 * length);
        char* out = m_out.data() + at;
        for (qsizetype i = 0; i < length; ++i) {
            out[2 * i] = char(units[i] >> 8);
            out[2 * i + 1] = char(units[i] & 0xFF);
        }
    }

    void real(uchar marker, double value)
    {
        m_out.append(char(marker));
        bigEndian(std::bit_cast<quint64>(value), 8);
    }

    void references(quint64 first, quint64 count)
    {
        for (quint64 i = 0, next = first; i < count; ++i) {
            bigEndian(next, m_refSize);
            next += m_sizes[next];
        }
    }

    void object(const QVariant& value)
    {
        const quint64 index = m_offsets.size();
        m_offsets.push_back(quint64(m_out.size()));
        switch (m_kinds[index]) {
        case Kind::Boolean:
            m_out.append(value.toBool() ? '\x09' : '\x08');
            break;
        case Kind::Integer:
            integer(plist::integerOf(value));
            break;
        case Kind::Real:
            real(0x23, value.toDouble());
            break;
        case Kind::Date:
            real(0x33, plist::dateSeconds(value.toDateTime()));
            break;
        case Kind::Text:
            text(*static_cast<const QString*>(value.constData()));
            break;
        case Kind::Data: {
            const QByteArray* bytes = static_cast<const QByteArray*>(value.constData());
            marker(0x40, quint64(bytes->size()));
            m_out.append(*bytes);
            break;
        }
        case Kind::Uid: {
            const quint64 uid = value.value<PlistUid>().value;
            const quint64 width = widthFor(uid);
            m_out.append(char(0x80 | (width - 1)));
            bigEndian(uid, width);
            break;
        }
        case Kind::Array: {
            const QVariantList list = listOf(value);
            marker(0xA0, quint64(list.size()));
            references(index + 1, quint64(list.size()));
            for (const QVariant& item : list)
                object(item);
            break;
        }
        case Kind::Dictionary: {
            const QVariantMap map = plist::dictionaryOf(value);
            const quint64 count = quint64(map.size());
            marker(0xD0, count);
            references(index + 1, count);
            references(index + 1 + count, count);
            for (auto it = map.cbegin(); it != map.cend(); ++it) {
                m_offsets.push_back(quint64(m_out.size()));
                text(it.key());
            }
            for (auto it = map.cbegin(); it != map.cend(); ++it)
                object(it.value());
            break;
        }
        }
    }
};

} // namespace

QByteArray BinaryPlistWriter::write(const QVariant& value, QString* error)
{
    Writer writer;
    if (!writer.measure(value, 0)) {
        if (error)
            *error = writer.error;
        return {};
    }
    return writer.write(value);
}

#include "BinaryPlistReader.h"

#include "PlistUid.h"
#include "PlistValue.h"
#include "ReferenceDate.h"

#include <QDateTime>
#include <QtEndian>
#include <bit>
#include <cstring>
#include <optional>
#include <unordered_map>
#include <vector>

namespace {

constexpr quint64 HeaderSize = 8;
constexpr quint64 TrailerSize = 32;

class Parse {
public:
    explicit Parse(const QByteArray& bytes)
        : data(reinterpret_cast<const uchar*>(bytes.constData())), size(quint64(bytes.size()))
    {
    }

    QVariant run()
    {
        if (size < HeaderSize + TrailerSize + 1 || std::memcmp(data, "bplist0", 7) != 0)
            return fail(QStringLiteral("the file is too short or has no header"));
        const quint64 trailer = size - TrailerSize;
        offsetSize = data[trailer + 6];
        refSize = data[trailer + 7];
        objectCount = bigEndian(trailer + 8, 8);
        const quint64 top = bigEndian(trailer + 16, 8);
        tableOffset = bigEndian(trailer + 24, 8);
        if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8)
            return fail(QStringLiteral("the trailer is invalid"));
        if (objectCount == 0 || top >= objectCount)
            return fail(QStringLiteral("the object count is invalid"));
        if (tableOffset < HeaderSize || tableOffset >= trailer ||
            objectCount > (trailer - tableOffset) / offsetSize)
            return fail(QStringLiteral("the offset table is out of range"));
        // Every object takes at least one byte of its own.
        if (objectCount > tableOffset - HeaderSize)
            return fail(QStringLiteral("the object count is larger than the file can hold"));
        if (refSize < 8 && objectCount > (quint64(1) << (8 * refSize)))
            return fail(QStringLiteral("the object count is larger than references can reach"));
        if (objectCount <= DenseLimit) {
            dense.resize(objectCount);
            countReferences();
        }
        return object(top, 0);
    }

    QString problem;

private:
    enum State : uchar { Unvisited, InProgress, Done };

    struct Visit {
        State state = Unvisited;
        qint64 expanded = 0; // values this object stands for, shared ones counted each time
        QVariant value;
    };

    // Bookkeeping per object, in a table for the usual small file and by need
    // above: a trailer may claim millions of objects that nothing references.
    static constexpr quint64 DenseLimit = 1 << 16;

    const uchar* data;
    quint64 size;
    quint64 offsetSize = 0;
    quint64 refSize = 0;
    quint64 objectCount = 0;
    quint64 tableOffset = 0;
    std::vector<Visit> dense;
    std::unordered_map<quint64, Visit> sparse;
    // Per object of a dense table: references to it, counted up to 2. Only
    // the value of an object referenced more than once is kept for reuse.
    std::vector<quint8> references;

    Visit& visit(quint64 index) { return dense.empty() ? sparse[index] : dense[index]; }

    bool keepsValue(quint64 index) const { return references.empty() || references[index] > 1; }

    // One pass over the containers' references, without reading any value;
    // whatever it cannot make sense of is left to the parse proper.
    void countReferences()
    {
        references.assign(objectCount, 0);
        for (quint64 index = 0; index < objectCount; ++index) {
            const quint64 offset = bigEndian(tableOffset + index * offsetSize, offsetSize);
            if (offset < HeaderSize || offset >= tableOffset)
                continue;
            const uchar marker = data[offset];
            const uchar type = marker & 0xF0;
            if (type != 0xA0 && type != 0xB0 && type != 0xC0 && type != 0xD0)
                continue;
            quint64 at = offset + 1;
            const std::optional<quint64> count = countAt(at, marker);
            const quint64 refsPerEntry = type == 0xD0 ? 2 : 1;
            if (!count ||
                *count > (tableOffset - std::min(at, tableOffset)) / (refSize * refsPerEntry))
                continue;
            for (quint64 i = 0; i < *count * refsPerEntry; ++i) {
                const quint64 child = bigEndian(at + i * refSize, refSize);
                if (child < objectCount && references[child] < 2)
                    ++references[child];
            }
        }
    }

    QVariant fail(const QString& text)
    {
        if (problem.isEmpty())
            problem = text;
        return {};
    }

    quint64 bigEndian(quint64 at, quint64 width) const
    {
        switch (width) {
        case 1:
            return data[at];
        case 2:
            return qFromBigEndian<quint16>(data + at);
        case 4:
            return qFromBigEndian<quint32>(data + at);
        case 8:
            return qFromBigEndian<quint64>(data + at);
        default: {
            quint64 value = 0;
            for (quint64 i = 0; i < width; ++i)
                value = (value << 8) | data[at + i];
            return value;
        }
        }
    }

    // Objects lie between the header and the offset table.
    bool fits(quint64 at, quint64 length) const
    {
        return at <= tableOffset && length <= tableOffset - at;
    }

    // The element count of a marker: the low nibble, or a following integer
    // object when the nibble is 0xF. Advances `at` past the count.
    std::optional<quint64> countAt(quint64& at, uchar marker) const
    {
        const quint64 nibble = marker & 0x0F;
        if (nibble != 0x0F)
            return nibble;
        if (!fits(at, 1))
            return std::nullopt;
        const uchar intMarker = data[at];
        if ((intMarker & 0xF0) != 0x10 || (intMarker & 0x0F) > 3)
            return std::nullopt;
        const quint64 width = quint64(1) << (intMarker & 0x0F);
        if (!fits(at + 1, width))
            return std::nullopt;
        const quint64 count = bigEndian(at + 1, width);
        at += 1 + width;
        return count;
    }

    QVariant malformed()
    {
        return fail(QStringLiteral("an object is malformed or runs past its end"));
    }

    QVariant object(quint64 index, int depth, qint64* expandedCount = nullptr)
    {
        {
            Visit& seen = visit(index);
            if (seen.state == Done) {
                if (expandedCount)
                    *expandedCount = seen.expanded;
                return seen.value;
            }
            if (seen.state == InProgress)
                return fail(QStringLiteral("an object contains itself"));
            if (depth > BinaryPlistReader::MaxDepth)
                return fail(QStringLiteral("the values are nested too deeply"));
            seen.state = InProgress;
        }
        const quint64 offset = bigEndian(tableOffset + index * offsetSize, offsetSize);
        if (offset < HeaderSize || offset >= tableOffset)
            return fail(QStringLiteral("an object offset is out of range"));
        qint64 nodes = 1;
        QVariant value = scalar(offset);
        if (!problem.isEmpty())
            return {};
        if (!value.isValid())
            value = container(offset, depth, nodes);
        if (!problem.isEmpty())
            return {};
        // Looked up again: the table of a sparse file may have grown meanwhile.
        Visit& done = visit(index);
        done.state = Done;
        done.expanded = nodes;
        if (keepsValue(index))
            done.value = value;
        if (expandedCount)
            *expandedCount = nodes;
        return value;
    }

    // Any non-container object; invalid (without a problem) for containers.
    QVariant scalar(quint64 offset)
    {
        const uchar marker = data[offset];
        const uchar type = marker & 0xF0;
        const uchar nibble = marker & 0x0F;
        quint64 at = offset + 1;
        switch (type) {
        case 0x00:
            if (marker == 0x08 || marker == 0x09)
                return QVariant(marker == 0x09);
            return fail(QStringLiteral("a value is empty"));
        case 0x10: {
            if (nibble > 4 || !fits(at, quint64(1) << nibble))
                return malformed();
            if (nibble == 4) {
                // 128-bit integers hold what does not fit 64 signed bits.
                if (bigEndian(at, 8) != 0 || (data[at + 8] & 0x80))
                    return fail(QStringLiteral("an integer is too large"));
                return QVariant(qint64(bigEndian(at + 8, 8)));
            }
            // Integers of 1, 2 and 4 bytes are unsigned, of 8 bytes signed.
            return QVariant(qint64(bigEndian(at, quint64(1) << nibble)));
        }
        case 0x20:
            if (nibble == 2 && fits(at, 4))
                return QVariant(double(std::bit_cast<float>(quint32(bigEndian(at, 4)))));
            if (nibble == 3 && fits(at, 8))
                return QVariant(std::bit_cast<double>(bigEndian(at, 8)));
            return malformed();
        case 0x30: {
            if (marker != 0x33 || !fits(at, 8))
                return malformed();
            const auto date = dateFromReferenceSeconds(std::bit_cast<double>(bigEndian(at, 8)));
            if (!date)
                return fail(QStringLiteral("a date is out of range"));
            return QVariant(*date);
        }
        case 0x40:
        case 0x50:
        case 0x60:
        case 0x70: {
            const std::optional<quint64> count = countAt(at, marker);
            const quint64 width = type == 0x60 ? 2 : 1;
            if (!count || *count > (tableOffset - std::min(at, tableOffset)) / width)
                return malformed();
            const auto* start = reinterpret_cast<const char*>(data + at);
            const auto length = qsizetype(*count);
            if (type == 0x40)
                return QVariant(QByteArray(start, length));
            if (type == 0x50)
                return QVariant(QString::fromLatin1(start, length));
            if (type == 0x70)
                return QVariant(QString::fromUtf8(start, length));
            QString text(length, Qt::Uninitialized);
            qFromBigEndian<char16_t>(start, length, text.data());
            return QVariant(std::move(text));
        }
        case 0x80:
            if (!fits(at, quint64(nibble) + 1))
                return malformed();
            return QVariant::fromValue(PlistUid{bigEndian(at, quint64(nibble) + 1)});
        case 0xA0:
        case 0xB0:
        case 0xC0:
        case 0xD0:
            return {};
        default:
            return malformed();
        }
    }

    QVariant container(quint64 offset, int depth, qint64& nodes)
    {
        const uchar marker = data[offset];
        const uchar type = marker & 0xF0;
        quint64 at = offset + 1;
        const std::optional<quint64> count = countAt(at, marker);
        const quint64 refsPerEntry = type == 0xD0 ? 2 : 1;
        if (!count || *count > (tableOffset - std::min(at, tableOffset)) / (refSize * refsPerEntry))
            return malformed();
        const auto child = [&](quint64 position) -> QVariant {
            const quint64 index = bigEndian(at + position * refSize, refSize);
            if (index >= objectCount)
                return fail(QStringLiteral("an object reference is out of range"));
            qint64 childNodes = 0;
            QVariant value = object(index, depth + 1, &childNodes);
            if (!problem.isEmpty())
                return {};
            nodes += childNodes;
            if (nodes > BinaryPlistReader::MaxExpandedNodes)
                return fail(QStringLiteral("shared references expand into too many values"));
            return value;
        };
        if (type != 0xD0) {
            QVariantList list;
            list.reserve(qsizetype(*count));
            for (quint64 i = 0; i < *count; ++i) {
                QVariant item = child(i);
                if (!problem.isEmpty())
                    return {};
                list.append(std::move(item));
            }
            return list;
        }
        QVariantMap map;
        for (quint64 i = 0; i < *count; ++i) {
            const QVariant key = child(i);
            if (!problem.isEmpty())
                return {};
            if (key.metaType().id() != QMetaType::QString)
                return fail(QStringLiteral("a dictionary key is not a text"));
            QVariant item = child(*count + i);
            if (!problem.isEmpty())
                return {};
            // Writers store the keys sorted: each goes in at the end, unless not.
            map.insert(map.cend(), key.toString(), item);
        }
        return plist::dictionaryOrUid(std::move(map));
    }
};

} // namespace

QVariant BinaryPlistReader::read(const QByteArray& bytes, QString* problem)
{
    Parse parse(bytes);
    QVariant value = parse.run();
    if (!parse.problem.isEmpty()) {
        if (problem)
            *problem = parse.problem;
        return {};
    }
    return value;
}

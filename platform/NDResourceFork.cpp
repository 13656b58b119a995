#include "NDResourceFork.h"

#include "RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

// Big-endian reads that refuse to leave [0, size).
class ByteReader {
public:
    explicit ByteReader(const QByteArray& bytes) : m_bytes(bytes) {}

    bool contains(qint64 offset, qint64 length) const
    {
        return offset >= 0 && length >= 0 && offset <= m_bytes.size() &&
               length <= m_bytes.size() - offset;
    }

    std::optional<quint32> u32(qint64 offset) const { return read(offset, 4); }
    std::optional<quint32> u24(qint64 offset) const { return read(offset, 3); }
    std::optional<quint32> u16(qint64 offset) const { return read(offset, 2); }

private:
    std::optional<quint32> read(qint64 offset, int width) const
    {
        if (!contains(offset, width))
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < width; ++i)
            value = value << 8 | quint8(m_bytes.at(offset + i));
        return value;
    }

    const QByteArray& m_bytes;
};

constexpr quint32 AppleSingleMagic = 0x00051600;
constexpr quint32 AppleDoubleMagic = 0x00051607;
constexpr quint32 ResourceForkEntry = 2;
constexpr int AppleHeaderSize = 26; // magic, version, 16 bytes filler, entry count
constexpr int AppleEntrySize = 12;

QString companionPath(const QString& path)
{
    const QFileInfo info(path);
    return info.dir().filePath(QStringLiteral("._") + info.fileName());
}

} // namespace

NDResourceFork::NDResourceFork(QByteArray fork) : m_fork(std::move(fork)) {}

std::unique_ptr<NDResourceFork> NDResourceFork::resourceForkForReadingAtPath(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return nullptr;
    // An AppleDouble file is its header, the Finder information and the fork:
    // a little more than the largest fork. Only a regular file is read: a FIFO
    // in its place (a folder unpacked from an archive may hold one) would block.
    const std::optional<QByteArray> bytes =
        RegularFile::read(companionPath(path), MaxForkSize + 64 * 1024);
    if (!bytes)
        return nullptr;
    return fromAppleDouble(*bytes);
}

std::unique_ptr<NDResourceFork> NDResourceFork::fromAppleDouble(const QByteArray& bytes)
{
    const ByteReader in(bytes);
    const auto magic = in.u32(0);
    if (!magic || (*magic != AppleDoubleMagic && *magic != AppleSingleMagic))
        return nullptr;
    const auto count = in.u16(24);
    // A table that claims more entries than the file holds is damaged as a whole.
    if (!count || !in.contains(AppleHeaderSize, qint64(*count) * AppleEntrySize))
        return nullptr;
    for (qint64 i = 0; i < *count; ++i) {
        const qint64 at = AppleHeaderSize + i * AppleEntrySize;
        const auto id = in.u32(at), offset = in.u32(at + 4), length = in.u32(at + 8);
        if (!id || !offset || !length)
            return nullptr; // the entry table itself runs past the end
        if (*id != ResourceForkEntry)
            continue;
        if (!in.contains(*offset, *length) || *length > MaxForkSize)
            return nullptr;
        return fromForkBytes(bytes.mid(*offset, *length));
    }
    return nullptr;
}

std::unique_ptr<NDResourceFork> NDResourceFork::fromForkBytes(const QByteArray& fork)
{
    const ByteReader in(fork);
    const auto dataOffset = in.u32(0), mapOffset = in.u32(4);
    const auto dataLength = in.u32(8), mapLength = in.u32(12);
    if (!dataOffset || !mapOffset || !dataLength || !mapLength)
        return nullptr;
    if (!in.contains(*dataOffset, *dataLength) || !in.contains(*mapOffset, *mapLength))
        return nullptr;
    std::unique_ptr<NDResourceFork> result(new NDResourceFork(fork));
    result->m_dataOffset = *dataOffset;
    result->m_dataLength = *dataLength;
    result->m_mapOffset = *mapOffset;
    result->m_mapLength = *mapLength;
    return result;
}

QByteArray NDResourceFork::dataForType(quint32 type, qint16 resourceID) const
{
    // Only the map's own bytes may be read while walking it, only the data
    // section's for the resource.
    const QByteArray map = m_fork.mid(m_mapOffset, m_mapLength);
    const ByteReader inMap(map);
    const auto typeListOffset = inMap.u16(24);
    if (!typeListOffset)
        return {};
    const auto lastType = inMap.u16(*typeListOffset);
    if (!lastType)
        return {};
    // Stored as the count minus one; an empty map stores -1.
    const qint64 typeCount = *lastType == 0xFFFF ? 0 : qint64(*lastType) + 1;
    if (!inMap.contains(*typeListOffset + 2, typeCount * 8))
        return {};
    for (qint64 t = 0; t < typeCount; ++t) {
        const qint64 at = *typeListOffset + 2 + t * 8;
        const auto code = inMap.u32(at), lastRef = inMap.u16(at + 4), refOffset = inMap.u16(at + 6);
        if (!code || !lastRef || !refOffset)
            return {};
        if (*code != type)
            continue;
        const qint64 refCount = qint64(*lastRef) + 1;
        if (!inMap.contains(*typeListOffset + *refOffset, refCount * 12))
            return {};
        for (qint64 r = 0; r < refCount; ++r) {
            const qint64 ref = *typeListOffset + *refOffset + r * 12;
            const auto id = inMap.u16(ref), offset = inMap.u24(ref + 5);
            if (!id || !offset)
                return {};
            if (qint16(*id) != resourceID)
                continue;
            const QByteArray data = m_fork.mid(m_dataOffset, m_dataLength);
            const ByteReader inData(data);
            const auto length = inData.u32(*offset);
            if (!length || !inData.contains(qint64(*offset) + 4, *length))
                return {};
            QByteArray bytes = data.mid(qint64(*offset) + 4, *length);
            if (bytes.isNull())
                bytes = QByteArray(""); // an empty resource is there all the same
            return bytes;
        }
        return {};
    }
    return {};
}

QString NDResourceFork::stringForType(quint32 type, qint16 resourceID) const
{
    const QByteArray bytes = dataForType(type, resourceID);
    if (bytes.isNull())
        return {};
    for (const char c : bytes) {
        if (quint8(c) > 127)
            return {};
    }
    return QString::fromLatin1(bytes);
}

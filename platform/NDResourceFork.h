#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

// Reads the classic resources of a file that came from a Mac: the resource
// fork of a web-location file keeps its address as the 'url ' resource 256.
// Linux has no resource forks; one travels beside its file as an AppleDouble
// companion "._name" (what copying to a foreign disk or unpacking a Mac
// archive leaves behind). Read-only.
//
// The bytes are never trusted: every offset, count and length in the
// AppleDouble header and the resource map is checked against the bytes that
// are there, so a damaged or hostile file gives no resource, never a read
// outside the buffer.
class NDResourceFork {
public:
    // The largest fork read: the map's 24-bit data offsets cannot reach
    // further than 16 MB.
    static constexpr qint64 MaxForkSize = 16 * 1024 * 1024 + 4096;

    // A four-character code such as 'url ' as the map stores it.
    static constexpr quint32 typeCode(const char (&code)[5])
    {
        return quint32(quint8(code[0])) << 24 | quint32(quint8(code[1])) << 16 |
               quint32(quint8(code[2])) << 8 | quint32(quint8(code[3]));
    }

    // The fork of the file at `path`, read from its companion "._name";
    // nullptr when there is no file at the path, no companion, or the
    // companion holds no readable resource fork.
    static std::unique_ptr<NDResourceFork> resourceForkForReadingAtPath(const QString& path);

    // A fork from the bytes of an AppleDouble or AppleSingle file; nullptr
    // when they hold no resource fork with a well-formed header.
    static std::unique_ptr<NDResourceFork> fromAppleDouble(const QByteArray& bytes);
    // A fork from its own bytes (header, data and map); nullptr when the
    // header's sections do not lie inside the bytes.
    static std::unique_ptr<NDResourceFork> fromForkBytes(const QByteArray& fork);

    // The resource's bytes; a null QByteArray when it is missing or the map
    // that leads to it is damaged.
    QByteArray dataForType(quint32 type, qint16 resourceID) const;
    // The resource's bytes as 7-bit ASCII; a null string when the resource
    // is missing or a byte is above 127.
    QString stringForType(quint32 type, qint16 resourceID) const;

private:
    explicit NDResourceFork(QByteArray fork);

    QByteArray m_fork;
    qint64 m_dataOffset = 0, m_dataLength = 0;
    qint64 m_mapOffset = 0, m_mapLength = 0;
};

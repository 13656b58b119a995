#include "UploadBody.h"

#include <QFile>
#include <QRandomGenerator>

namespace UploadBody {

QByteArray standIn()
{
    // A multiple of three bytes, so that its Base64 has no padding and
    // cannot run into what stands around it.
    QByteArray bytes(48, Qt::Uninitialized);
    QRandomGenerator::system()->generate(bytes.begin(), bytes.end());
    return bytes;
}

QByteArray spliced(const QByteArray& document, const QByteArray& marker, const QString& filePath)
{
    const qsizetype at = document.indexOf(marker);
    if (marker.isEmpty() || at < 0 || document.indexOf(marker, at + 1) >= 0)
        return {};
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = file.size();
    const qint64 encoded = (size + 2) / 3 * 4;
    QByteArray body;
    body.reserve(document.size() - marker.size() + encoded);
    body.append(document.constData(), at);
    // Pieces of a multiple of three bytes encode to Base64 that joins up.
    constexpr qint64 piece = 3 * 256 * 1024;
    QByteArray buffer(piece, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        qint64 filled = 0;
        while (filled < piece) {
            const qint64 read = file.read(buffer.data() + filled, piece - filled);
            if (read < 0)
                return {};
            if (read == 0)
                break;
            filled += read;
        }
        if (filled == 0)
            break;
        total += filled;
        body.append(QByteArray::fromRawData(buffer.constData(), filled).toBase64());
        if (filled < piece)
            break;
    }
    if (total != size) // the file changed while it was read
        return {};
    body.append(document.constData() + at + marker.size(), document.size() - at - marker.size());
    return body;
}

} // namespace UploadBody

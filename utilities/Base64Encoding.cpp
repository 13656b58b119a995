#include "Base64Encoding.h"

#include <algorithm>
#include <array>

namespace rv {

namespace {

constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<int, 256> makeDecodeTable()
{
    std::array<int, 256> table{};
    table.fill(-1);
    for (int i = 0; i < 64; ++i)
        table[static_cast<unsigned char>(alphabet[i])] = i;
    return table;
}

constexpr std::array<int, 256> decodeTable = makeDecodeTable();

// Appends the bytes of a group of `count` six-bit values (2, 3 or 4 of them).
void appendGroup(QByteArray& out, const std::array<int, 4>& values, int count)
{
    if (count < 2)
        return; // a lone value holds less than one byte
    out.append(char((values[0] << 2) | (values[1] >> 4)));
    if (count > 2)
        out.append(char(((values[1] & 0x0F) << 4) | (values[2] >> 2)));
    if (count > 3)
        out.append(char(((values[2] & 0x03) << 6) | values[3]));
}

} // namespace

bool isCharacterPartOfBase64Encoding(QChar c)
{
    return c.unicode() < 128 && decodeTable[c.unicode()] >= 0;
}

QByteArray dataWithBase64EncodedString(QByteArrayView ascii)
{
    QByteArray out;
    out.reserve(ascii.size() * 3 / 4 + 3);
    std::array<int, 4> group{};
    int count = 0;
    for (const char byte : ascii) {
        if (byte == '=')
            break;
        const int value = decodeTable[static_cast<unsigned char>(byte)];
        if (value < 0)
            continue;
        group[count++] = value;
        if (count == 4) {
            appendGroup(out, group, 4);
            count = 0;
        }
    }
    appendGroup(out, group, count);
    return out;
}

QByteArray dataWithBase64EncodedString(const QString& text)
{
    // Characters outside Latin-1 become '?', which the decoder skips like any other
    // non-alphabet byte.
    return dataWithBase64EncodedString(QByteArrayView(text.toLatin1()));
}

qsizetype base64Length(qsizetype byteCount)
{
    return (byteCount + 2) / 3 * 4;
}

void appendBase64(QByteArray& out, QByteArrayView data)
{
    const qsizetype start = out.size();
    out.resize(start + base64Length(data.size()));
    char* target = out.data() + start;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    const qsizetype whole = data.size() / 3 * 3;
    for (qsizetype i = 0; i < whole; i += 3, target += 4) {
        const unsigned group =
            unsigned(bytes[i]) << 16 | unsigned(bytes[i + 1]) << 8 | bytes[i + 2];
        target[0] = alphabet[group >> 18];
        target[1] = alphabet[(group >> 12) & 0x3F];
        target[2] = alphabet[(group >> 6) & 0x3F];
        target[3] = alphabet[group & 0x3F];
    }
    const qsizetype left = data.size() - whole;
    if (left > 0) {
        const unsigned b0 = bytes[whole];
        const unsigned b1 = left > 1 ? bytes[whole + 1] : 0;
        target[0] = alphabet[b0 >> 2];
        target[1] = alphabet[((b0 & 0x03) << 4) | (b1 >> 4)];
        target[2] = left > 1 ? alphabet[(b1 & 0x0F) << 2] : '=';
        target[3] = '=';
    }
}

QString base64EncodingWithLineLength(const QByteArray& data, int lineLength)
{
    if (lineLength <= 0) {
        QByteArray text;
        appendBase64(text, data);
        return QString::fromLatin1(text);
    }
    // A line ends with the group of four characters that brings it to
    // lineLength or more, so each line holds this many bytes of the data.
    const qsizetype bytesPerLine = (qsizetype(lineLength) + 3) / 4 * 3;
    QByteArray text;
    text.reserve(base64Length(data.size()) + data.size() / bytesPerLine + 1);
    for (qsizetype at = 0; at < data.size(); at += bytesPerLine) {
        const QByteArrayView line =
            QByteArrayView(data).sliced(at, std::min(bytesPerLine, data.size() - at));
        appendBase64(text, line);
        if (base64Length(line.size()) >= lineLength)
            text.append('\n');
    }
    return QString::fromLatin1(text);
}

} // namespace rv

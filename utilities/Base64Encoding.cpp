#include "Base64Encoding.h"

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

QString base64EncodingWithLineLength(const QByteArray& data, int lineLength)
{
    QString out;
    out.reserve((data.size() + 2) / 3 * 4 + (lineLength > 0 ? data.size() / lineLength + 1 : 0));
    int lineCount = 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    for (qsizetype i = 0; i < data.size(); i += 3) {
        const qsizetype left = data.size() - i;
        const unsigned b0 = bytes[i];
        const unsigned b1 = left > 1 ? bytes[i + 1] : 0;
        const unsigned b2 = left > 2 ? bytes[i + 2] : 0;
        out.append(QLatin1Char(alphabet[b0 >> 2]));
        out.append(QLatin1Char(alphabet[((b0 & 0x03) << 4) | (b1 >> 4)]));
        out.append(left > 1 ? QLatin1Char(alphabet[((b1 & 0x0F) << 2) | (b2 >> 6)])
                            : QLatin1Char('='));
        out.append(left > 2 ? QLatin1Char(alphabet[b2 & 0x3F]) : QLatin1Char('='));
        if (lineLength > 0) {
            lineCount += 4;
            if (lineCount >= lineLength) {
                out.append(QLatin1Char('\n'));
                lineCount = 0;
            }
        }
    }
    return out;
}

} // namespace rv

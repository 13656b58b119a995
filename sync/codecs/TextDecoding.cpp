#include "TextDecoding.h"

#include "StringExtensions.h"

#include <QStringDecoder>
#include <array>
#include <cerrno>
#include <iconv.h>

namespace URLUtilities {

namespace {

constexpr std::array candidateCharsets{"utf-8",        "iso-8859-1",   "iso-8859-2",
                                       "windows-1250", "windows-1251", "windows-1252",
                                       "windows-1253", "windows-1254", "shift-jis"};

// glibc spells a few IANA names differently.
QByteArray iconvName(const QByteArray& charset)
{
    const QByteArray lower = charset.trimmed().toLower();
    if (lower == "shift-jis" || lower == "shift_jis" || lower == "sjis")
        return "SHIFT_JIS";
    return lower.toUpper();
}

bool isUtf8Name(const QByteArray& lower)
{
    return lower == "utf-8" || lower == "utf8";
}

bool isLatin1Name(const QByteArray& lower)
{
    return lower == "iso-8859-1" || lower == "iso_8859-1" || lower == "latin1" || lower == "l1" ||
           lower == "iso8859-1";
}

std::optional<QString> decodeWithIconv(const QByteArray& data, const QByteArray& charset)
{
    iconv_t converter = iconv_open("UTF-16LE", iconvName(charset).constData());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    QByteArray output(data.size() * 4 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(data.constData());
    size_t inLeft = static_cast<size_t>(data.size());
    char* out = output.data();
    size_t outLeft = static_cast<size_t>(output.size());
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    const bool complete =
        result != static_cast<size_t>(-1) &&
        iconv(converter, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
    iconv_close(converter);
    if (!complete || inLeft != 0)
        return std::nullopt;
    const auto bytes = static_cast<qsizetype>(output.size() - static_cast<qsizetype>(outLeft));
    return QString(reinterpret_cast<const QChar*>(output.constData()), bytes / 2);
}

struct ByteOrderMark {
    QStringConverter::Encoding encoding;
    QByteArray mark;
};

std::optional<QString> decodeByteOrderMark(const QByteArray& data)
{
    static const std::array marks{
        ByteOrderMark{QStringConverter::Utf8, QByteArray("\xEF\xBB\xBF")},
        ByteOrderMark{QStringConverter::Utf32LE, QByteArray("\xFF\xFE\x00\x00", 4)},
        ByteOrderMark{QStringConverter::Utf32BE, QByteArray("\x00\x00\xFE\xFF", 4)},
        ByteOrderMark{QStringConverter::Utf16LE, QByteArray("\xFF\xFE")},
        ByteOrderMark{QStringConverter::Utf16BE, QByteArray("\xFE\xFF")}};
    for (const ByteOrderMark& bom : marks) {
        if (!data.startsWith(bom.mark))
            continue;
        QStringDecoder decoder(bom.encoding, QStringConverter::Flag::Stateless);
        QString text = decoder.decode(data.mid(bom.mark.size()));
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> decode(const QByteArray& data, const QByteArray& charset)
{
    const QByteArray lower = charset.trimmed().toLower();
    if (lower.isEmpty())
        return std::nullopt;
    if (isUtf8Name(lower)) {
        QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        QString text = decoder.decode(data);
        if (decoder.hasError())
            return std::nullopt;
        return text;
    }
    if (isLatin1Name(lower))
        return QString::fromLatin1(data);
    return decodeWithIconv(data, lower);
}

QByteArray declaredCharset(const QString& text)
{
    const qsizetype start = text.indexOf(QLatin1String("<?xml"));
    if (start < 0)
        return {};
    const qsizetype end = text.indexOf(QLatin1String("?>"), start);
    if (end < 0)
        return {};
    QString declaration = text.mid(start, end - start);
    const qsizetype encoding =
        declaration.indexOf(QLatin1String("encoding"), 0, Qt::CaseInsensitive);
    if (encoding < 0)
        return {};
    declaration.replace(QLatin1Char('\''), QLatin1Char('"'));
    const qsizetype open = declaration.indexOf(QLatin1Char('"'), encoding);
    if (open < 0)
        return {};
    const qsizetype close = declaration.indexOf(QLatin1Char('"'), open + 1);
    if (close < 0)
        return {};
    return declaration.mid(open + 1, close - open - 1).trimmed().toLower().toLatin1();
}

QString textFromData(const QByteArray& data)
{
    QString text;
    QByteArray used;
    if (auto fromMark = decodeByteOrderMark(data)) {
        text = *fromMark;
        used = "bom";
    } else {
        for (const char* candidate : candidateCharsets) {
            if (auto decoded = decode(data, candidate)) {
                text = *decoded;
                used = candidate;
                break;
            }
        }
        if (used.isEmpty())
            return {};
    }
    if (text.isNull())
        text = QLatin1String("");

    const QByteArray declared = declaredCharset(text);
    if (declared.isEmpty() || used == "bom" || declared == used ||
        (isUtf8Name(declared) && isUtf8Name(used)) ||
        (isLatin1Name(declared) && isLatin1Name(used)))
        return text;
    if (auto again = decode(data, declared))
        return *again;
    return text;
}

namespace {

// Replaces the XML declaration (and, with fromStart, whatever comes before it)
// by one that says "utf-8".
void declareUtf8(QString& text, bool fromStart)
{
    const qsizetype start = text.indexOf(QLatin1String("<?xml"));
    const qsizetype end = start < 0 ? -1 : text.indexOf(QLatin1String("?>"), start);
    if (start >= 0 && end >= 0) {
        const qsizetype from = fromStart ? 0 : start;
        text.replace(from, end + 2 - from,
                     QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>"));
    }
}

} // namespace

QByteArray correctEncoding(const QByteArray& data)
{
    QString text = textFromData(data);
    if (text.isNull())
        return data;
    declareUtf8(text, true);
    return text.toUtf8();
}

std::optional<QByteArray> utf8FromDeclaredCharset(const QByteArray& data)
{
    const QLatin1StringView bytes(data);
    const qsizetype start = bytes.indexOf(QLatin1StringView("<?xml"));
    const qsizetype end = start < 0 ? -1 : bytes.indexOf(QLatin1StringView("?>"), start);
    if (end < 0)
        return std::nullopt;
    const QByteArray charset =
        declaredCharset(QString::fromLatin1(bytes.sliced(start, end + 2 - start)));
    if (charset.isEmpty() || isUtf8Name(charset))
        return std::nullopt;
    std::optional<QString> text = decode(data, charset);
    if (!text)
        return std::nullopt;
    declareUtf8(*text, false);
    return text->toUtf8();
}

QUrl urlFromAddress(const QString& address)
{
    return rv::escapedURL(address, QStringLiteral("#%"));
}

} // namespace URLUtilities

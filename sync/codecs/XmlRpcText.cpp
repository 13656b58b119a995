#include "XmlRpcText.h"

#include "StringEncoding.h"

#include <QLocale>
#include <bit>
#include <cstring>
#include <limits>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace XmlRpcText {

// The leading integer of the text ("42abc" is 42, "abc" is 0); saturates
// instead of wrapping.
qint64 leadingInteger(QStringView text)
{
    text = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<qint64>::max();
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        const int digit = text[i].unicode() - u'0';
        if (value > (limit - digit) / 10)
            return negative ? std::numeric_limits<qint64>::min() : limit;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

QVariant integerValue(QStringView text)
{
    const qint64 value = leadingInteger(text);
    if (value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max())
        return int(value);
    return value;
}

QVariant realValue(QStringView text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    return ok ? value : double(leadingInteger(text));
}

namespace {

#if !defined(__SSE2__)
// Whether any of the eight bytes of `word` is `byte`.
constexpr bool hasByte(quint64 word, uchar byte)
{
    constexpr quint64 ones = 0x0101010101010101ULL;
    const quint64 x = word ^ (ones * byte);
    return ((x - ones) & ~x & (ones << 7)) != 0;
}
#endif

char16_t* appendCodePoint(char16_t* out, char32_t value)
{
    if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = 0xFFFD;
    if (value < 0x10000) {
        *out++ = char16_t(value);
    } else {
        *out++ = QChar::highSurrogate(value);
        *out++ = QChar::lowSurrogate(value);
    }
    return out;
}

// Writes the text of the reference at `p` (an '&'), advances past it.
char16_t* appendReference(char16_t* out, const uchar*& p, const uchar* end)
{
    // The predefined ones first: answers are full of them.
    const qsizetype left = end - p;
    if (left >= 4 && p[2] == 't' && p[3] == ';' && (p[1] == 'l' || p[1] == 'g')) {
        *out++ = p[1] == 'l' ? u'<' : u'>';
        p += 4;
        return out;
    }
    if (left >= 5 && p[4] == ';' && std::memcmp(p + 1, "amp", 3) == 0) {
        *out++ = u'&';
        p += 5;
        return out;
    }
    if (left >= 6 && p[5] == ';' &&
        (std::memcmp(p + 1, "quot", 4) == 0 || std::memcmp(p + 1, "apos", 4) == 0)) {
        *out++ = p[1] == 'q' ? u'"' : u'\'';
        p += 6;
        return out;
    }
    const uchar* semicolon = p + 1;
    while (semicolon < end && *semicolon != ';')
        ++semicolon;
    if (semicolon == end) { // expat lets no such text through; kept as written
        *out++ = u'&';
        ++p;
        return out;
    }
    const std::string_view name(reinterpret_cast<const char*>(p + 1), size_t(semicolon - p - 1));
    p = semicolon + 1;
    if (!name.empty() && name.front() == '#') {
        const bool hex = name.size() > 1 && name[1] == 'x';
        char32_t value = 0;
        for (size_t i = hex ? 2 : 1; i < name.size(); ++i) {
            const char c = name[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : 99;
            if (digit >= (hex ? 16 : 10) || value > 0x10FFFF)
                return appendCodePoint(out, 0xFFFD);
            value = value * (hex ? 16 : 10) + char32_t(digit);
        }
        return appendCodePoint(out, value);
    }
    // No entity is ever declared: any other name is one of HTML's, or stays
    // as written.
    const QString entity = QString::fromUtf8(name.data(), qsizetype(name.size()));
    const QString resolved = rv::convertSingleEntity(entity);
    const QString text = resolved == entity ? u'&' + entity + u';' : resolved;
    std::memcpy(out, text.utf16(), size_t(text.size()) * sizeof(char16_t));
    out += text.size();
    return out;
}

} // namespace

// The text of element content that expat has already read and found well
// formed, holding character data and references only: references resolved
// and line ends made "\n", as expat reports them. No text is longer in UTF-16
// code units than in UTF-8 bytes (a reference takes at least four bytes and
// gives at most two units), so one allocation does.
QString contentText(QByteArrayView raw)
{
    QString text(raw.size(), Qt::Uninitialized);
    auto* out = reinterpret_cast<char16_t*>(text.data());
    const auto* p = reinterpret_cast<const uchar*>(raw.data());
    const uchar* const end = p + raw.size();
    while (p < end) {
#if defined(__SSE2__)
        // Sixteen bytes at a time up to the next one that is not plain ASCII.
        // Writing all sixteen is safe: the text never runs ahead of the bytes.
        if (end - p >= 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const int special = _mm_movemask_epi8(bytes) |
                                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('&'))) |
                                _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(bytes, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 8), _mm_unpackhi_epi8(bytes, zero));
            const int plain = special ? std::countr_zero(unsigned(special)) : 16;
            out += plain;
            p += plain;
            if (plain == 16)
                continue;
        }
#else
        if (end - p >= 8) {
            quint64 word;
            std::memcpy(&word, p, 8);
            if (!(word & 0x8080808080808080ULL) && !hasByte(word, '&') && !hasByte(word, '\r')) {
                for (int i = 0; i < 8; ++i)
                    out[i] = char16_t(p[i]);
                out += 8;
                p += 8;
                continue;
            }
        }
#endif
        const uchar c = *p;
        if (c < 0x80) {
            if (c == '&') {
                out = appendReference(out, p, end);
            } else if (c == '\r') {
                *out++ = u'\n';
                if (++p < end && *p == '\n')
                    ++p;
            } else {
                *out++ = c;
                ++p;
            }
            continue;
        }
        // A multi-byte sequence; expat has checked it, but a cut one must
        // not read past the end.
        const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (length == 1 || end - p < length) {
            *out++ = u'\uFFFD';
            ++p;
            continue;
        }
        char32_t value = c & (0x7F >> length);
        for (int i = 1; i < length; ++i)
            value = value << 6 | (p[i] & 0x3F);
        out = appendCodePoint(out, value);
        p += length;
    }
    text.truncate(out - reinterpret_cast<const char16_t*>(text.constData()));
    return text;
}

// Whether the content is its own text byte for byte.
bool isPlainContent(QByteArrayView raw)
{
    return !raw.contains('&') && !raw.contains('\r');
}

} // namespace XmlRpcText

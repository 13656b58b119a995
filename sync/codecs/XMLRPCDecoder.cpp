#include "XMLRPCDecoder.h"

#include "TextDecoding.h"
#include "XMLRPCValueReader.h"

#include <QCoreApplication>
#include <algorithm>
#include <bit>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XMLRPCDecoder", text);
}

DecodeResult refusedAsHTML()
{
    return DecodeResult::refusal(
        DecodeResult::Error::HTMLInsteadOfXML,
        tr("Received HTML from server instead of XML. Is the access point correct?"));
}

bool containsIgnoringCase(QByteArrayView bytes, QLatin1StringView needle)
{
    return XMLRPCDecoder::indexOfIgnoringCase(bytes, needle) >= 0;
}

} // namespace

// Answers run to megabytes: sixteen places at a time are sifted by the
// needle's first two bytes, and only those that pass are compared whole.
qsizetype XMLRPCDecoder::indexOfIgnoringCase(QByteArrayView bytes, QLatin1StringView needle,
                                             qsizetype from)
{
    const qsizetype length = needle.size();
    from = std::max<qsizetype>(from, 0);
    if (length == 0)
        return from <= bytes.size() ? from : -1;
    if (bytes.size() - from < length)
        return -1;
    const auto lower = [](uchar c) { return c >= 'A' && c <= 'Z' ? uchar(c | 0x20) : c; };
    const auto* pattern = reinterpret_cast<const uchar*>(needle.data());
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    const auto matchesAt = [&](qsizetype at) {
        for (qsizetype i = 0; i < length; ++i) {
            if (lower(data[at + i]) != pattern[i])
                return false;
        }
        return true;
    };
    const qsizetype last = bytes.size() - length; // the last place the needle may start
    qsizetype at = from;
#if defined(__SSE2__)
    if (length >= 2) {
        // A letter compares with its case bit set; anything else as it is.
        const auto isLetter = [](uchar c) { return c >= 'a' && c <= 'z'; };
        const __m128i fold0 = _mm_set1_epi8(char(isLetter(pattern[0]) ? 0x20 : 0));
        const __m128i fold1 = _mm_set1_epi8(char(isLetter(pattern[1]) ? 0x20 : 0));
        const __m128i first = _mm_set1_epi8(char(pattern[0]));
        const __m128i second = _mm_set1_epi8(char(pattern[1]));
        // Both loads stay within the bytes while a needle could still start
        // at the block's last place.
        for (; at + 16 <= last && at + 17 <= bytes.size(); at += 16) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 1));
            unsigned candidates = unsigned(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(_mm_or_si128(here, fold0), first),
                              _mm_cmpeq_epi8(_mm_or_si128(next, fold1), second))));
            while (candidates) {
                if (matchesAt(at + std::countr_zero(candidates)))
                    return at + std::countr_zero(candidates);
                candidates &= candidates - 1;
            }
        }
    }
#endif
    for (; at <= last; ++at) {
        if (lower(data[at]) == pattern[0] && matchesAt(at))
            return at;
    }
    return -1;
}

DecodeResult XMLRPCDecoder::fromReading(const XMLRPCValueReader::Result& answer, bool sawHTML)
{
    // A post body may well quote HTML, so HTML only counts when the answer is
    // not a methodResponse.
    const auto refusal = [sawHTML](DecodeResult otherwise) {
        return sawHTML ? refusedAsHTML() : otherwise;
    };
    if (answer.refusedDTD)
        return refusal(DecodeResult::unexpectedData());
    if (!answer.ok)
        return refusal(DecodeResult::refusal(DecodeResult::Error::ParseError, answer.error));
    switch (answer.answer) {
    case XMLRPCValueReader::Answer::NotAResponse:
        return refusal(DecodeResult::fromValue({}));
    case XMLRPCValueReader::Answer::Fault:
        return DecodeResult::fromServerFault(answer.value);
    case XMLRPCValueReader::Answer::Params:
        return DecodeResult::fromValue(answer.value);
    case XMLRPCValueReader::Answer::None:
        break;
    }
    return DecodeResult::fromValue({});
}

DecodeResult XMLRPCDecoder::postRequestsOnly()
{
    return DecodeResult::refusal(
        DecodeResult::Error::PostRequestsOnly,
        tr("Received \"XML-RPC server accepts POST requests only\" message from server, "
           "which means your server is blocking access. See the FAQ on how to resolve "
           "this."));
}

DecodeResult XMLRPCDecoder::decode(const QByteArray& received)
{
    const std::optional<QByteArray> converted = URLUtilities::utf8FromDeclaredCharset(received);
    const QByteArray& bytes = converted ? *converted : received;
    if (!converted && !QUtf8StringView(bytes).isValidUtf8())
        return DecodeResult::refusal(
            DecodeResult::Error::UndeclaredEncoding,
            tr("The server's answer is not UTF-8 text and does not say which character "
               "encoding it is in, so it could not be read."));

    // UTF-8 read as Latin-1 keeps every ASCII byte where it is, which is all
    // these searches need, and saves decoding the whole answer twice.
    const QLatin1StringView text(bytes);
    if (containsIgnoringCase(bytes, postRequestsOnlyText))
        return postRequestsOnly();

    // A post body may well quote HTML, so HTML only counts when the answer is
    // not a methodResponse.
    const auto refusal = [&bytes](DecodeResult otherwise) {
        return containsIgnoringCase(bytes, QLatin1StringView("<html")) ? refusedAsHTML()
                                                                       : otherwise;
    };
    const qsizetype declaration = text.indexOf(QLatin1StringView("<?xml"));
    if (declaration < 0)
        return refusal(DecodeResult::unexpectedData());

    // Junk in front of the declaration and behind the closing tag is dropped;
    // the closing tag is written anew, which also mends its letter case.
    // The text is read as UTF-8 whatever the declaration says. A standalone
    // declaration is left out: it would make the HTML entity names that
    // servers use undeclared errors.
    const qsizetype declarationEnd = text.indexOf(QLatin1StringView("?>"), declaration);
    const bool standalone =
        declarationEnd >= 0 && text.sliced(declaration, declarationEnd - declaration)
                                   .contains(QLatin1StringView("standalone"));
    const qsizetype body = standalone ? declarationEnd + 2 : declaration;
    const qsizetype closing =
        text.lastIndexOf(QLatin1StringView("</method"), -1, Qt::CaseInsensitive);
    constexpr QByteArrayView closingTag("</methodResponse>");
    QByteArray mended;
    QByteArrayView document = QByteArrayView(bytes).sliced(body);
    if (closing >= body) {
        // The usual answer ends as it should and is read where it lies.
        if (document.sliced(closing - body).startsWith(closingTag))
            document.truncate(closing - body + closingTag.size());
        else
            document = mended = document.first(closing - body).toByteArray().append(closingTag);
    }
    const XMLRPCValueReader::Result answer = XMLRPCValueReader::read(document);
    const bool refused = answer.refusedDTD || !answer.ok ||
                         answer.answer == XMLRPCValueReader::Answer::NotAResponse;
    return fromReading(answer, refused && containsIgnoringCase(bytes, QLatin1StringView("<html")));
}

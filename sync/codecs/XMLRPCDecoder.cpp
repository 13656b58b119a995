#include "XMLRPCDecoder.h"

#include "TextDecoding.h"
#include "XMLRPCValueReader.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("XMLRPCDecoder", text);
}

// Whether the bytes hold the lower-case ASCII needle, letter case ignored.
// Answers run to megabytes, so the search skips ahead by the last two bytes
// of each window, as Horspool's search does by the last one.
bool containsIgnoringCase(QByteArrayView bytes, QLatin1StringView needle)
{
    const qsizetype length = needle.size();
    if (length < 2 || bytes.size() < length)
        return length == 0 || (length == 1 && bytes.contains(needle.front().toLatin1()));
    const auto lower = [](uchar c) { return c >= 'A' && c <= 'Z' ? uchar(c | 0x20) : c; };
    const auto* pattern = reinterpret_cast<const uchar*>(needle.data());
    const auto pair = [&](uchar first, uchar second) { return lower(first) << 8 | lower(second); };

    // How far a window may move when its last two bytes are a given pair: up
    // to the last place the pair has in the needle before its end.
    thread_local std::vector<quint16> shift;
    shift.assign(1 << 16, quint16(std::min<qsizetype>(length - 1, 0xFFFF)));
    for (qsizetype i = 0; i + 2 < length; ++i)
        shift[pair(pattern[i], pattern[i + 1])] =
            quint16(std::min<qsizetype>(length - 2 - i, 0xFFFF));
    const int lastPair = pair(pattern[length - 2], pattern[length - 1]);

    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype at = 0; at + length <= bytes.size();) {
        const uchar* window = data + at;
        const int last = pair(window[length - 2], window[length - 1]);
        if (last == lastPair) {
            qsizetype i = length - 3;
            while (i >= 0 && lower(window[i]) == pattern[i])
                --i;
            if (i < 0)
                return true;
        }
        at += shift[last];
    }
    return false;
}

DecodeResult refusedAsHTML()
{
    return DecodeResult::refusal(
        DecodeResult::Error::HTMLInsteadOfXML,
        tr("Received HTML from server instead of XML. Is the access point correct?"));
}

} // namespace

DecodeResult XMLRPCDecoder::decode(const QByteArray& received)
{
    const std::optional<QByteArray> converted = URLUtilities::utf8FromDeclaredCharset(received);
    const QByteArray& bytes = converted ? *converted : received;
    if (!converted && !QUtf8StringView(bytes).isValidUtf8())
        return DecodeResult::refusal(DecodeResult::Error::EmptyData,
                                     tr("Server returned empty data!"));

    // UTF-8 read as Latin-1 keeps every ASCII byte where it is, which is all
    // these searches need, and saves decoding the whole answer twice.
    const QLatin1StringView text(bytes);
    if (containsIgnoringCase(bytes, QLatin1StringView("xml-rpc server accepts post requests only")))
        return DecodeResult::refusal(
            DecodeResult::Error::PostRequestsOnly,
            tr("Received \"XML-RPC server accepts POST requests only\" message from server, "
               "which means your server is blocking access. See the FAQ on how to resolve "
               "this."));

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
    const XMLRPCValueReader::Result answer =
        closing >= body
            ? XMLRPCValueReader::read({QByteArrayView(bytes).sliced(body, closing - body),
                                       QByteArrayView("</methodResponse>")})
            : XMLRPCValueReader::read({QByteArrayView(bytes).sliced(body)});

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

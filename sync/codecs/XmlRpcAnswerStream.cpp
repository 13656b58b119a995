#include "XmlRpcAnswerStream.h"

#include "TextDecoding.h"
#include "XMLRPCDecoder.h"

#include <QUtf8StringView>
#include <algorithm>
#include <utility>

namespace {

constexpr QLatin1StringView closingStart("</method");
constexpr QByteArrayView closingTag("</methodResponse>");
constexpr QByteArrayView utf8Declaration("<?xml version=\"1.0\" encoding=\"utf-8\"?>");
// The longest text looked for in the answer, less one: what a scan keeps of
// one piece's end to find words cut by the next.
constexpr qsizetype scanOverlap = XMLRPCDecoder::postRequestsOnlyText.size() - 1;

uchar lowered(uchar c)
{
    return c >= 'A' && c <= 'Z' ? uchar(c | 0x20) : c;
}

// Whether `bytes` is the start of `word` (lower case), letter case ignored.
bool beginsWordIgnoringCase(QByteArrayView bytes, QLatin1StringView word)
{
    const qsizetype length = std::min(bytes.size(), word.size());
    for (qsizetype i = 0; i < length; ++i) {
        if (lowered(uchar(bytes[i])) != uchar(word[i].toLatin1()))
            return false;
    }
    return true;
}

// The length of the well-formed UTF-8 sequence at p; 0 when none begins there;
// -1 when the bytes end inside one that is well formed so far.
int sequenceAt(const uchar* p, const uchar* end)
{
    const uchar c = *p;
    if (c < 0x80)
        return 1;
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80; // no overlong forms
        high = c == 0xED ? 0x9F : 0xBF; // no surrogates
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (p + i >= end)
            return -1;
        const uchar b = p[i];
        if (b < (i == 1 ? low : 0x80) || b > (i == 1 ? high : 0xBF))
            return 0;
    }
    return length;
}

void appendLatin1(QByteArray& out, uchar byte)
{
    out.append(char(0xC0 | (byte >> 6))).append(char(0x80 | (byte & 0x3F)));
}

// Well-formed UTF-8 for bytes that hold no cut sequence at their end: each
// byte that begins no sequence is read as ISO 8859-1.
QByteArray repaired(QByteArrayView bytes)
{
    QByteArray out;
    out.reserve(bytes.size() + 16);
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    while (p < end) {
        const int length = sequenceAt(p, end);
        if (length > 0) {
            out.append(reinterpret_cast<const char*>(p), length);
            p += length;
        } else {
            appendLatin1(out, *p++);
        }
    }
    return out;
}

} // namespace

void XmlRpcAnswerStream::feed(QByteArrayView bytes)
{
    m_size += bytes.size();
    switch (m_mode) {
    case Mode::Undecided:
        m_whole.append(bytes);
        decide();
        return;
    case Mode::Whole:
        m_whole.append(bytes);
        return;
    case Mode::Streaming:
        repair(bytes);
        return;
    }
}

// Whether the answer can be read as it arrives: it is UTF-8 and says so, or
// says nothing of its character set. Until its declaration is complete the
// bytes are kept.
void XmlRpcAnswerStream::decide()
{
    const QByteArrayView head(m_whole);
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF") ||
        head.startsWith(QByteArrayView("\x00\x00\xFE\xFF", 4))) {
        m_mode = Mode::Whole;
        return;
    }
    const qsizetype start = m_whole.indexOf("<?xml", std::max<qsizetype>(0, m_wholeSearched - 4));
    if (start < 0) {
        m_wholeSearched = m_whole.size();
        return;
    }
    m_wholeSearched = start;
    const qsizetype end = m_whole.indexOf("?>", start);
    if (end < 0)
        return;
    const QByteArray charset = URLUtilities::declaredCharset(
        QString::fromLatin1(head.sliced(start, end + 2 - start)));
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        m_mode = Mode::Whole;
        return;
    }
    // What comes before the declaration is junk, and the declaration is
    // written anew, as for a whole answer.
    m_mode = Mode::Streaming;
    const QByteArray rest = m_whole.sliced(end + 2);
    m_whole = QByteArray();
    m_reader.emplace();
    document(utf8Declaration);
    repair(rest);
}

void XmlRpcAnswerStream::repair(QByteArrayView bytes)
{
    if (!m_carry.isEmpty()) {
        // The sequence the last piece ended in, completed from this one.
        QByteArray joined = m_carry;
        joined.append(bytes.first(std::min<qsizetype>(bytes.size(), 3)));
        const auto* p = reinterpret_cast<const uchar*>(joined.constData());
        const int length = sequenceAt(p, p + joined.size());
        if (length < 0) {
            m_carry = joined;
            return;
        }
        const qsizetype carried = m_carry.size();
        m_carry.clear();
        if (length > 0) {
            document(QByteArrayView(joined).first(length));
            bytes = bytes.sliced(length - carried);
        } else {
            QByteArray first;
            appendLatin1(first, uchar(joined[0]));
            document(first);
            const QByteArray rest = joined.sliced(1, carried - 1) + bytes.toByteArray();
            repair(rest);
            return;
        }
    }
    // A sequence cut by the end of the piece waits for the rest of it.
    qsizetype cut = bytes.size();
    const auto* data = reinterpret_cast<const uchar*>(bytes.data());
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, bytes.size()); ++back) {
        const qsizetype at = bytes.size() - back;
        if (data[at] >= 0xC0) {
            if (sequenceAt(data + at, data + bytes.size()) < 0)
                cut = at;
            break;
        }
    }
    m_carry = bytes.sliced(cut).toByteArray();
    const QByteArrayView whole = bytes.first(cut);
    if (QUtf8StringView(whole).isValidUtf8())
        document(whole);
    else
        document(repaired(whole));
}

void XmlRpcAnswerStream::document(QByteArrayView bytes)
{
    scanForRefusals(bytes);
    if (m_postOnly) {
        // The answer is refused whatever else it holds.
        m_reader.reset();
        m_held.clear();
        return;
    }
    if (m_reader && !m_reader->isDone())
        readClosing(bytes);
}

void XmlRpcAnswerStream::scanForRefusals(QByteArrayView bytes)
{
    const auto scan = [this](QByteArrayView text) {
        if (!m_postOnly &&
            XMLRPCDecoder::indexOfIgnoringCase(text, XMLRPCDecoder::postRequestsOnlyText) >= 0)
            m_postOnly = true;
        if (!m_sawHTML && XMLRPCDecoder::indexOfIgnoringCase(text, QLatin1StringView("<html")) >= 0)
            m_sawHTML = true;
    };
    if (!m_tail.isEmpty())
        scan(QByteArray(m_tail).append(bytes.first(std::min(bytes.size(), scanOverlap))));
    scan(bytes);
    if (bytes.size() >= scanOverlap)
        m_tail = bytes.last(scanOverlap).toByteArray();
    else
        m_tail = m_tail.append(bytes).right(scanOverlap);
}

// The last "</method" of the answer ends it: the bytes from each one on wait
// until a later one shows that it was not the last. One written exactly as
// the closing tag is read at once, which ends the reading when it closes the
// document.
void XmlRpcAnswerStream::readClosing(QByteArrayView bytes)
{
    QByteArray joined;
    QByteArrayView text = bytes;
    qsizetype searched = 0;
    if (!m_held.isEmpty()) {
        joined = std::move(m_held);
        m_held = QByteArray();
        joined.append(bytes);
        text = joined;
        searched = m_heldSearched;
    }
    const auto hold = [this](QByteArrayView from, qsizetype searchedTo) {
        m_held = from.toByteArray();
        m_heldSearched = searchedTo;
    };
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype found = XMLRPCDecoder::indexOfIgnoringCase(text, closingStart, at);
        if (found < 0) {
            qsizetype tail = std::max(at, text.size() - (closingStart.size() - 1));
            while (tail < text.size() && !beginsWordIgnoringCase(text.sliced(tail), closingStart))
                ++tail;
            read(text.sliced(at, tail - at));
            if (tail < text.size())
                hold(text.sliced(tail), 0);
            return;
        }
        read(text.sliced(at, found - at));
        if (m_reader->isDone())
            return;
        if (text.size() - found < closingTag.size()) {
            hold(text.sliced(found), 1);
            return;
        }
        if (text.sliced(found, closingTag.size()) == closingTag) {
            read(closingTag);
            if (m_reader->isDone())
                return;
            at = found + closingTag.size();
            continue;
        }
        const qsizetype from = found + std::max<qsizetype>(1, found == 0 ? searched : 1);
        const qsizetype next = XMLRPCDecoder::indexOfIgnoringCase(text, closingStart, from);
        if (next < 0) {
            hold(text.sliced(found),
                 std::max<qsizetype>(1, text.size() - found - (closingStart.size() - 1)));
            return;
        }
        read(text.sliced(found, next - found));
        if (m_reader->isDone())
            return;
        at = next;
    }
}

void XmlRpcAnswerStream::read(QByteArrayView bytes)
{
    if (!bytes.isEmpty())
        m_reader->feed(bytes);
}

DecodeResult XmlRpcAnswerStream::finish()
{
    if (m_mode != Mode::Streaming) {
        const DecodeResult result =
            XMLRPCDecoder::decode(URLUtilities::correctEncoding(std::exchange(m_whole, {})));
        return result;
    }
    // A sequence cut by the end of the answer is no sequence.
    const QByteArray carry = std::exchange(m_carry, {});
    for (const char byte : carry) {
        QByteArray latin1;
        appendLatin1(latin1, uchar(byte));
        document(latin1);
    }
    if (m_postOnly)
        return XMLRPCDecoder::postRequestsOnly();
    if (!m_reader->isDone() && !m_held.isEmpty()) {
        const QByteArray held = std::exchange(m_held, {});
        const bool closing = held.size() >= closingStart.size() &&
                             beginsWordIgnoringCase(held, closingStart);
        read(closing ? closingTag : QByteArrayView(held));
    }
    const XMLRPCValueReader::Result reading = m_reader->finish();
    m_reader.reset();
    return XMLRPCDecoder::fromReading(reading, m_sawHTML);
}

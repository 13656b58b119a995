// Feeds arbitrary text through the entity decoder and encoder. Besides the
// sanitizers, it checks that encoding gives ASCII, that decoding never leaves a
// lone surrogate, that text without "&" survives an encode/decode round trip, and
// that removeControlChars leaves nothing XML cannot carry.
#include "StringEncoding.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool hasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

bool hasC1Control(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80 && c.unicode() <= 0x9F)
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const QString decoded = rv::convertEntities(text);
    check(!hasLoneSurrogate(decoded) || hasLoneSurrogate(text));
    (void)rv::convertSingleEntity(text);
    (void)rv::convertSingleEntity(text.left(12));

    const QString encoded = rv::encodeCharacters(text);
    for (const QChar c : encoded)
        check(c.unicode() < 128);

    // C1 controls are excluded: "&#150;" reads back as the Windows-1252 en dash.
    if (!text.contains(u'&') && !hasC1Control(text))
        check(rv::convertEntities(encoded) == text);

    const QString cleaned = rv::removeControlChars(text);
    check(!hasLoneSurrogate(cleaned));
    for (const QChar c : cleaned)
        check(c.unicode() >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r');
    (void)rv::stripHTML(text);
    return 0;
}

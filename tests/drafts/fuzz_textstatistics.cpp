// A post's HTML comes from anywhere: counting it must never crash or fetch,
// and the numbers kept per block must always be those of a fresh count, also
// after the text changes.
#include "TextStatistics.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    TextStatistics counter;
    const TextCounts fresh = TextStatistics::countFresh(html);
    if (counter.count(html) != fresh)
        std::abort();
    if (fresh.lines < 1 || fresh.words < 0 || fresh.letters < 0 || fresh.characters < 0 ||
        fresh.paragraphs < 0)
        std::abort();
    // The same counter after an edit in the middle: only the cache differs.
    const QString edited =
        html.left(html.size() / 2) + QStringLiteral("x<p>y") + html.mid(html.size() / 2);
    if (counter.count(edited) != TextStatistics::countFresh(edited))
        std::abort();
    return 0;
}

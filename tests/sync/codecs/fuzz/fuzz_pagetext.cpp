// Page bodies come from any server in any character set: decoding them must
// never crash, and the rewrite into UTF-8 must keep whatever it decoded.
#include "TextDecoding.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QString text = URLUtilities::textFromData(bytes);
    const QByteArray rewritten = URLUtilities::correctEncoding(bytes);
    if (text.isNull() && rewritten != bytes)
        abort();
    // The rewritten bytes are UTF-8 and say so; decoding them again changes
    // nothing more (a U+FEFF left at the start after a byte-order mark reads as
    // a second mark, and goes).
    if (!text.isNull() && !text.startsWith(QChar(0xFEFF)) &&
        URLUtilities::correctEncoding(rewritten) != rewritten)
        abort();
    URLUtilities::declaredCharset(text);
    return 0;
}

// Decodes arbitrary bytes as Base64 and checks that what comes out encodes and
// decodes back to itself, and that arbitrary bytes survive encode/decode.
#include "Base64Encoding.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const int lineLength = size > 0 ? data[0] % 80 : 0;

    const QByteArray decoded = rv::dataWithBase64EncodedString(input);
    check(decoded.size() <= input.size() * 3 / 4 + 3);
    const QString reencoded = rv::base64EncodingWithLineLength(decoded, lineLength);
    check(rv::dataWithBase64EncodedString(reencoded) == decoded);

    const QByteArray bytes = input.toByteArray();
    check(rv::dataWithBase64EncodedString(rv::base64EncodingWithLineLength(bytes, lineLength)) ==
          bytes);
    (void)rv::dataWithBase64EncodedString(QString::fromUtf8(bytes));
    return 0;
}

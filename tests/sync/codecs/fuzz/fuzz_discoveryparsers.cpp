// Feeds arbitrary bytes to the RSD and page-head parsers: they must neither
// crash, leak nor hang.
#include "WireDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray document(reinterpret_cast<const char*>(data), qsizetype(size));
    WireDump::run("rsd", document);
    WireDump::run("head", document);
    return 0;
}

// Feeds arbitrary bytes to the XML-RPC decoder and prints nothing: it must
// neither crash, leak nor hang.
#include "WireDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    WireDump::run("xmlrpc", QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    return 0;
}

// Feeds arbitrary bytes to the resource-fork reader, as an AppleDouble file
// and as a bare fork, and looks up the resources a web-location file holds:
// no read may leave the buffer, whatever the offsets say.
#include "NDResourceFork.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const quint32 types[] = {NDResourceFork::typeCode("url "), NDResourceFork::typeCode("TEXT"),
                             NDResourceFork::typeCode("drag")};
    auto lookUp = [&](const std::unique_ptr<NDResourceFork>& fork) {
        if (!fork)
            return;
        for (const quint32 type : types) {
            fork->dataForType(type, 256);
            fork->stringForType(type, 128);
        }
    };
    lookUp(NDResourceFork::fromAppleDouble(bytes));
    lookUp(NDResourceFork::fromForkBytes(bytes));
    return 0;
}

// Feeds arbitrary bytes to the property-list reader and writes back what it
// accepts: nothing may crash, and an accepted tree must serialise again.
#include "PropertyList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVariant value = PropertyList::read(bytes, &error);
    if (!value.isValid()) {
        if (error.isEmpty())
            std::abort(); // a failure must always say why
        return 0;
    }
    PropertyList::write(value, PropertyList::Format::Binary);
    return 0;
}

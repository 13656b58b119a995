// Feeds arbitrary bytes to the property-list reader and writes back what it
// accepts: nothing may crash, a refusal always says why, and an accepted tree
// that the writer takes reads back unchanged. The first eight bytes also make a
// date (seconds from 2001) for both writers.
#include "PropertyList.h"
#include "ReferenceDate.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void checkDate(const uint8_t* data, size_t size)
{
    if (size < 8)
        return;
    double seconds = 0;
    std::memcpy(&seconds, data, 8);
    const std::optional<QDateTime> date = dateFromReferenceSeconds(seconds);
    if (!date)
        return;
    for (auto format : {PropertyList::Format::Binary, PropertyList::Format::Xml}) {
        QString error;
        const QByteArray bytes = PropertyList::write(QVariantList{*date}, format, &error);
        if (bytes.isEmpty())
            std::abort(); // every date a reader accepts can be written
        const QVariantList back = PropertyList::read(bytes, &error).toList();
        if (back.size() != 1)
            std::abort();
        const qint64 drift = back.first().toDateTime().msecsTo(*date);
        // Binary keeps the milliseconds; XML the whole second, rounded down.
        if (format == PropertyList::Format::Binary ? drift != 0 : (drift < 0 || drift >= 1000))
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkDate(data, size);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QString error;
    const QVariant value = PropertyList::read(bytes, &error);
    if (!value.isValid()) {
        if (error.isEmpty())
            std::abort(); // a failure must always say why
        return 0;
    }
    error.clear();
    const QByteArray written = PropertyList::write(value, PropertyList::Format::Binary, &error);
    if (written.isEmpty()) {
        if (error.isEmpty())
            std::abort();
        return 0;
    }
    if (PropertyList::read(written) != value)
        std::abort();
    return 0;
}

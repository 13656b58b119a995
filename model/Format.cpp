#include "Format.h"

#include "RecordArchiving.h"

#include <array>

namespace {

const std::array<RecordKey<Format>, 2> formatKeys{{
    {"uniqueID", StoredKind::String, InArchive,
     [](const Format& f) { return StoredValue::fromText(f.uniqueID()); },
     [](Format& f, const QVariant& v) { f.setUniqueIDValue(v); }},
    {"title", StoredKind::String, InArchive,
     [](const Format& f) { return StoredValue::fromText(f.title()); },
     [](Format& f, const QVariant& v) { f.setTitle(v.toString()); }},
}};

} // namespace

Format::Format(QObject* parent) : Genetic(parent) {}

std::span<const RecordKey<Format>> Format::storedKeys()
{
    return formatKeys;
}

FormatPtr Format::copy() const
{
    auto copy = std::make_shared<Format>();
    copy->setUniqueID(uniqueID());
    copy->setTitle(title());
    copy->setDisplayName(displayName());
    return copy;
}

QStringList Format::archiveClassChain() const
{
    return {QStringLiteral("Format"), QStringLiteral("Genetic"), QStringLiteral("NSObject")};
}

void Format::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Format>(*this, storedKeys(), coder);
}

void Format::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Format>(*this, storedKeys(), coder);
    setFoundOnServer(false);
}

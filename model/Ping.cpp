#include "Ping.h"

#include "RecordArchiving.h"

#include <array>

namespace {

const std::array<RecordKey<Ping>, 2> pingKeys{{
    {"address", StoredKind::String, InArchive,
     [](const Ping& p) { return StoredValue::fromText(p.address()); },
     [](Ping& p, const QVariant& v) { p.setAddress(v.toString()); }},
    {"title", StoredKind::String, InArchive,
     [](const Ping& p) { return StoredValue::fromText(p.title()); },
     [](Ping& p, const QVariant& v) { p.setTitle(v.toString()); }},
}};

} // namespace

Ping::Ping(QObject* parent) : ModelRecord(parent) {}

QVariantList Ping::addressesOf(const PingList& pings)
{
    QVariantList addresses;
    for (const auto& ping : pings) {
        if (ping && !ping->address().isEmpty())
            addresses.append(ping->address());
    }
    return addresses;
}

std::span<const RecordKey<Ping>> Ping::storedKeys()
{
    return pingKeys;
}

PingPtr Ping::pingWithTitle(const QString& title, const QString& address)
{
    auto ping = std::make_shared<Ping>();
    ping->setTitle(title);
    ping->setAddress(address);
    return ping;
}

void Ping::setTitle(const QString& title)
{
    m_title = title;
    announce(QStringLiteral("title"));
}

void Ping::setAddress(const QString& address)
{
    m_address = address;
    announce(QStringLiteral("address"));
}

PingPtr Ping::copy() const
{
    return pingWithTitle(m_title, m_address);
}

QStringList Ping::archiveClassChain() const
{
    return {QStringLiteral("Ping"), QStringLiteral("NSObject")};
}

void Ping::encodeWithCoder(KeyedArchiver& coder) const
{
    RecordArchiving::encode<Ping>(*this, storedKeys(), coder);
}

void Ping::initWithCoder(KeyedUnarchiver& coder)
{
    RecordArchiving::decode<Ping>(*this, storedKeys(), coder);
}

PingPtr Ping::fromListValue(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<ArchivableRef>()) {
        if (auto ping = std::dynamic_pointer_cast<Ping>(value.value<ArchivableRef>()))
            return ping;
    }
    if (value.metaType() == QMetaType::fromType<PingPtr>()) {
        if (auto ping = value.value<PingPtr>())
            return ping;
    }
    if (value.metaType().id() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        return pingWithTitle(map.value(QStringLiteral("title")).toString(),
                             map.value(QStringLiteral("address")).toString());
    }
    return pingWithTitle(QString(), value.toString());
}

#include "WeblocFile.h"

#include "NDResourceFork.h"
#include "PropertyList.h"
#include "RegularFile.h"

namespace {

// A web-location property list is a few hundred bytes; anything far larger is
// not one.
constexpr qint64 MaxPropertyListSize = 1024 * 1024;

QString addressInPropertyList(const QString& path)
{
    const std::optional<QByteArray> bytes = RegularFile::read(path, MaxPropertyListSize);
    if (!bytes)
        return {};
    const QVariant root = PropertyList::read(*bytes, nullptr, MaxPropertyListSize);
    if (root.metaType().id() != QMetaType::QVariantMap)
        return {};
    const QVariant url = root.toMap().value(QStringLiteral("URL"));
    if (url.metaType().id() != QMetaType::QString)
        return {};
    return url.toString();
}

} // namespace

QString WeblocFile::address(const QString& path)
{
    const QString fromData = addressInPropertyList(path);
    if (!fromData.isEmpty())
        return fromData;
    const auto fork = NDResourceFork::resourceForkForReadingAtPath(path);
    if (!fork)
        return {};
    return fork->stringForType(NDResourceFork::typeCode("url "), 256);
}

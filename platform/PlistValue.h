#pragma once

#include <QDateTime>
#include <QString>
#include <QVariant>
#include <optional>

// What a QVariant is written as in a property list, shared by both writers so
// they hold and refuse the same values.
namespace plist {

enum class Kind { Boolean, Integer, Real, Text, Data, Date, Array, Dictionary, Uid };

// The kind of one value (not its children), or nothing with the reason in
// *problem when no property list can hold it: an empty or unknown value, a
// number that is not finite or lies above 2^63 - 1, a text holding NUL, a date
// the readers would refuse.
std::optional<Kind> kindOf(const QVariant& value, QString* problem = nullptr);

// An integer value known to be of Kind::Integer.
qint64 integerOf(const QVariant& value);

// Seconds from the reference date, for a date known to be of Kind::Date.
double dateSeconds(const QDateTime& date);

// A dictionary value (QVariantMap or QVariantHash) in key order.
QVariantMap dictionaryOf(const QVariant& value);

// A dictionary as read, or the UID it stands for: text formats and converters
// write a reference as the one-key dictionary {"CF$UID": n}.
QVariant dictionaryOrUid(QVariantMap map);

} // namespace plist

#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

// How the entries list shows a date: "Today", "Yesterday", "Tomorrow" or the
// short date, then the time without seconds, in local time. Registered for the
// date column as "RelativeDateToString"; one way only.
namespace DateTransformer {

inline constexpr auto name = "RelativeDateToString";

// Null for a value that is not a valid date.
QString transformedValue(const QVariant& value, const QLocale& locale = QLocale(),
                         const QDateTime& now = QDateTime::currentDateTime());

} // namespace DateTransformer

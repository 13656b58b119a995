#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariant>

// Texts shown to the user for dates and sizes, and a plain sort order for lists of titles.
namespace cutils {

// The date in the user's short date format, a comma, a space and the time in local time;
// seconds only when asked for.
QString commonDateString(const QDateTime& date, bool withSeconds,
                         const QLocale& locale = QLocale());

// As commonDateString without seconds, except that a date on the day before, the same day or
// the day after `now` shows "Yesterday", "Today" or "Tomorrow" instead of the date.
QString commonDateStringWithRelative(const QDateTime& date, const QLocale& locale = QLocale(),
                                     const QDateTime& now = QDateTime::currentDateTime());

// "512 bytes", "1.5 Kb", "3.2 Mb", "1.0 Gb": whole units and the tenth below, truncated.
QString stringForFileSize(quint64 bytes, const QLocale& locale = QLocale());

// Case-insensitive order of two strings (negative, zero, positive); 0 when either is not one.
int simpleSort(const QVariant& a, const QVariant& b);

} // namespace cutils

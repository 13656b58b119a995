#pragma once

#include <QDateTime>
#include <QStringView>

// The dateTime.iso8601 form of XML-RPC as blog servers write it.

// "yyyyMMddTHH:mm:ss" in local wall-clock time, or, with utc, the UTC time
// followed by "Z". An invalid date gives an empty text.
QString formatXMLRPCDate(const QDateTime& date, bool utc);

// Reads "yyyyMMddTHH:mm:ss" with optional dashes in the date, optional
// fractional seconds and an optional zone ("Z", "+hh:mm", "+hhmm", "+hh").
// Without a zone the time is local time at that date. The answer is in UTC,
// or invalid when the text does not fit.
QDateTime parseXMLRPCDate(QStringView text);

#pragma once

#include <QDateTime>
#include <QStringView>
#include <QTimeZone>

// The dateTime.iso8601 form of XML-RPC as blog servers write it.

// "yyyyMMddTHH:mm:ss" in local wall-clock time, or, with utc, the UTC time
// followed by "Z". An invalid date gives an empty text.
QString formatXMLRPCDate(const QDateTime& date, bool utc);

// Reads "yyyyMMddTHH:mm:ss" with optional dashes in the date, optional
// fractional seconds and an optional zone ("Z", "+hh:mm", "+hhmm", "+hh").
// With a zone the answer is in UTC. Without one the time is a clock time in
// `localZone` (the system zone, made once by the caller since making it costs):
// the answer keeps its clock fields, with the offset of that instant (see
// rv::wallClockOffset). Invalid when the text does not fit.
QDateTime parseXMLRPCDate(QStringView text, const QTimeZone& localZone);
// The same in the system zone.
QDateTime parseXMLRPCDate(QStringView text);

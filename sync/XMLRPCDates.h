#pragma once

#include <QDateTime>
#include <QStringView>

// The dateTime.iso8601 form of XML-RPC as blog servers write it.

// "yyyyMMddTHH:mm:ss" in local wall-clock time, or, with utc, the UTC time
// followed by "Z". An invalid date gives an empty text.
QString formatXMLRPCDate(const QDateTime& date, bool utc);

// Reads "yyyyMMddTHH:mm:ss" with optional dashes in the date, optional
// fractional seconds and an optional zone ("Z", "+hh:mm", "+hhmm", "+hh").
// With a zone the answer is in UTC. Without one the time is a local clock time:
// the answer keeps its clock fields, with the local offset of that instant (the
// offset before the change for a time skipped when clocks go forward). Invalid
// when the text does not fit.
QDateTime parseXMLRPCDate(QStringView text);

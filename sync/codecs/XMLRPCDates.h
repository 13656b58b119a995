#pragma once

#include <QDateTime>
#include <QStringView>
#include <QTimeZone>

// The dateTime.iso8601 form of XML-RPC as blog servers write it.

// "yyyyMMddTHH:mm:ss" in local wall-clock time, or, with utc, the UTC time
// followed by "Z". A clock time (isClockTime) is written with its own clock
// fields: the caller chose the clock the server expects. An invalid date gives
// an empty text.
QString formatXMLRPCDate(const QDateTime& date, bool utc);

// Reads "yyyyMMddTHH:mm:ss" with optional dashes in the date, optional
// fractional seconds and an optional zone ("Z", "+hh:mm", "+hhmm", "+hh").
// With a zone the answer is in UTC. Without one it is a clock time: the clock
// fields as sent, at the instant they name in `localZone` (the system zone,
// made once by the caller since making it costs; see rv::wallClockOffset),
// until a reader who knows the server's clock reads the fields there.
// Invalid when the text does not fit.
QDateTime parseXMLRPCDate(QStringView text, const QTimeZone& localZone);
// The same in the system zone.
QDateTime parseXMLRPCDate(QStringView text);

// A date that names a clock time rather than an instant: what parseXMLRPCDate
// makes of a text without a zone, and what a caller hands formatXMLRPCDate to
// have a zone's clock written. It is held in a zone of its own id, apart from
// every date that names an instant (a zone-less date read where the system
// is at UTC must not pass for one sent in UTC).
QDateTime clockTime(QDate date, QTime time, int offsetFromUtc);
bool isClockTime(const QDateTime& date);

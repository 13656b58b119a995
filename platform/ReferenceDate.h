#pragma once

#include <QDateTime>
#include <optional>

// Property lists and archived dates count seconds from the first instant of
// 2001 (UTC).
const QDateTime& referenceDate();

double secondsSinceReferenceDate(const QDateTime& date);

// The date of a stored count of seconds; nothing for a count that is not a
// finite number or lies some 30 000 years away, which is damage, not data.
std::optional<QDateTime> dateFromReferenceSeconds(double seconds);

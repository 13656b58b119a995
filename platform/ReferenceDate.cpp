#include "ReferenceDate.h"

#include <cmath>

const QDateTime& referenceDate()
{
    static const QDateTime epoch(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return epoch;
}

double secondsSinceReferenceDate(const QDateTime& date)
{
    return double(referenceDate().msecsTo(date)) / 1000.0;
}

std::optional<QDateTime> dateFromReferenceSeconds(double seconds)
{
    if (!std::isfinite(seconds) || std::fabs(seconds) > 1e12)
        return std::nullopt;
    return referenceDate().addMSecs(qint64(std::llround(seconds * 1000.0)));
}

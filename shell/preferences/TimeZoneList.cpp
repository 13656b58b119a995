#include "TimeZoneList.h"

#include "BlogClock.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSet>
#include <QTimeZone>
#include <algorithm>
#include <cstdlib>

namespace TimeZoneList {

QString label(const QString& id)
{
    if (id == QLatin1String("Etc/GMT"))
        return QStringLiteral("UTC (Etc/GMT)");
    static const QRegularExpression fixed(QStringLiteral("^Etc/GMT[+-]\\d{1,2}$"));
    const QTimeZone zone(id.toUtf8());
    if (!fixed.match(id).hasMatch() || !zone.isValid())
        return id;
    // The offset the blogs' clock applies, which is what a date sent or read
    // in this zone will show.
    const int offset = BlogClock::offsetAt(zone, QDateTime::currentDateTimeUtc());
    const QChar sign = offset < 0 ? QChar(0x2212) : QLatin1Char('+');
    return QStringLiteral("UTC%1%2:00 (%3)")
        .arg(sign)
        .arg(std::abs(offset) / 3600, 2, 10, QLatin1Char('0'))
        .arg(id);
}

QList<Zone> zones()
{
    QSet<QByteArray> ids;
    for (const QByteArray& id : QTimeZone::availableTimeZoneIds()) {
        if (id.contains('/'))
            ids.insert(id);
    }
    // The system's list names places only; a blog's server may keep a fixed
    // offset from UTC all year, which only these zones describe.
    for (int hours = -14; hours <= 12; ++hours) {
        const QByteArray id = hours == 0 ? QByteArray("Etc/GMT")
                                         : "Etc/GMT" + QByteArray(hours > 0 ? "+" : "-") +
                                               QByteArray::number(std::abs(hours));
        if (QTimeZone(id).isValid())
            ids.insert(id);
    }
    QList<Zone> result;
    for (const QByteArray& raw : ids) {
        const QString id = QString::fromUtf8(raw);
        result.append({id, label(id)});
    }
    std::sort(result.begin(), result.end(), [](const Zone& a, const Zone& b) {
        return a.id.compare(b.id, Qt::CaseInsensitive) < 0;
    });
    return result;
}

} // namespace TimeZoneList

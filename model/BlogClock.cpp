#include "BlogClock.h"

#include "Blog.h"

namespace BlogClock {

namespace {

bool turnsSignAround(const QTimeZone& zone)
{
    return QString::fromUtf8(zone.id()).contains(QLatin1String("etc/gmt-"), Qt::CaseInsensitive);
}

// The local clock fields of a date read as if they were UTC: the base of the
// arithmetic below, free of any local daylight-saving gap.
QDateTime fieldsAsUtc(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    return QDateTime(local.date(), local.time(), QTimeZone::utc());
}

QDateTime localWithFields(const QDateTime& fields)
{
    return QDateTime(fields.date(), fields.time(), Qt::LocalTime);
}

} // namespace

std::optional<QTimeZone> shiftZone(const Blog& blog)
{
    if (blog.utcMode())
        return std::nullopt;
    return blog.namedTimeZone();
}

int offsetAt(const QTimeZone& zone, const QDateTime& instant)
{
    const int offset = zone.offsetFromUtc(instant);
    return turnsSignAround(zone) ? -offset : offset;
}

QDateTime toZoneClock(const QDateTime& date, const QTimeZone& zone)
{
    if (!date.isValid())
        return date;
    const QDateTime utc = date.toUTC();
    return localWithFields(utc.addSecs(offsetAt(zone, utc)));
}

QDateTime fromZoneClock(const QDateTime& clock, const QTimeZone& zone)
{
    if (!clock.isValid())
        return clock;
    const QDateTime fields = fieldsAsUtc(clock);
    // The offset belongs to the instant being looked for; the first guess
    // can only be wrong within hours of a change, and a second look settles it.
    QDateTime instant = fields.addSecs(-offsetAt(zone, fields));
    instant = fields.addSecs(-offsetAt(zone, instant));
    return instant.toLocalTime();
}

QDateTime toBlogClock(const QDateTime& date, const Blog& blog)
{
    const auto zone = shiftZone(blog);
    return zone ? toZoneClock(date, *zone) : date;
}

QDateTime fromBlogClock(const QDateTime& clock, const Blog& blog)
{
    const auto zone = shiftZone(blog);
    return zone ? fromZoneClock(clock, *zone) : clock;
}

} // namespace BlogClock

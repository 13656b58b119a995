#include "BlogClock.h"

#include "Blog.h"
#include "StringExtensions.h"
#include "XMLRPCDates.h"

namespace BlogClock {

namespace {

bool turnsSignAround(const QTimeZone& zone)
{
    return QString::fromUtf8(zone.id()).contains(QLatin1String("etc/gmt-"), Qt::CaseInsensitive);
}

// The zone as users meant it: a labelled "Etc/GMT-n" zone (a fixed offset) with
// its sign turned around.
QTimeZone meantZone(const QTimeZone& zone)
{
    if (!turnsSignAround(zone))
        return zone;
    return QTimeZone(-zone.offsetFromUtc(QDateTime::currentDateTimeUtc()));
}

// The clock fields a date shows: a clock time's own, any other date's on this
// computer's clock.
QDateTime clockFields(const QDateTime& date)
{
    return isClockTime(date) ? date : date.toLocalTime();
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

QTimeZone serverClock(const Blog* blog)
{
    if (blog) {
        if (const auto zone = blog->namedTimeZone())
            return meantZone(*zone);
    }
    return QTimeZone::systemTimeZone();
}

QDateTime instantOnClock(QDate date, QTime time, const QTimeZone& zone)
{
    if (!date.isValid() || !time.isValid())
        return {};
    return QDateTime(date, time, Qt::UTC).addSecs(-rv::wallClockOffset(zone, date, time));
}

QDateTime serverInstant(const QVariant& value, const QTimeZone& clock)
{
    QDateTime date;
    if (value.typeId() == QMetaType::QDateTime) {
        date = value.toDateTime();
    } else if (value.typeId() == QMetaType::QString) {
        // The XML-RPC and ISO forms keep a missing zone as a clock time;
        // anything else is read as the text says.
        date = parseXMLRPCDate(value.toString());
        if (!date.isValid())
            date = rv::parseDate(value.toString());
    }
    if (!date.isValid() || !isClockTime(date))
        return date;
    return instantOnClock(date.date(), date.time(), clock);
}

QDateTime postInstant(const QVariantMap& post, const Blog* blog)
{
    for (const char* key : {"date_created_gmt", "post_date_gmt"}) {
        const QVariant value = post.value(QLatin1String(key));
        if (value.isValid() && !value.isNull()) {
            const QDateTime gmt = serverInstant(value, QTimeZone::utc());
            if (gmt.isValid())
                return gmt;
        }
    }
    const QVariant local = post.value(QStringLiteral("datecreated"));
    return serverInstant(local, serverClock(blog));
}

QDateTime toZoneClock(const QDateTime& date, const QTimeZone& zone)
{
    if (!date.isValid())
        return date;
    const QDateTime utc = date.toUTC();
    const QDateTime fields = utc.addSecs(offsetAt(zone, utc));
    return clockTime(fields.date(), fields.time(), offsetAt(zone, utc));
}

QDateTime utcClock(const QDateTime& date)
{
    if (!date.isValid())
        return date;
    const QDateTime utc = date.toUTC();
    return clockTime(utc.date(), utc.time(), 0);
}

QDateTime fromZoneClock(const QDateTime& clock, const QTimeZone& zone)
{
    if (!clock.isValid())
        return clock;
    const QDateTime fields = clockFields(clock);
    return instantOnClock(fields.date(), fields.time(), meantZone(zone)).toLocalTime();
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

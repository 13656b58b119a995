#pragma once

#include <QDateTime>
#include <QTimeZone>
#include <QVariantMap>
#include <optional>

class Blog;

// The clock a blog's server keeps when it takes dates without a zone: the
// time zone named in the blog's settings. Posts go out showing that clock and
// come back showing it; these helpers move a date onto it and back, always at
// the date's own instant, so a post from summer and one from winter each get
// the offset of their own day, daylight saving included exactly once.
//
// A date read from a server is an instant from then on: one sent with a zone
// is one already, one sent without is read once on the server's clock, and
// none is ever read again as a clock time.
//
// Zones are offered to users by label, and "Etc/GMT-2" reads as "two hours
// behind GMT" to them although the zone database puts it two hours ahead;
// every zone whose name holds "Etc/GMT-" (in any case) therefore counts with
// its offset's sign turned around, as blogs set up that way always have.
namespace BlogClock {

// The blog's zone when its dates are shifted: a known zone and not UTC mode.
std::optional<QTimeZone> shiftZone(const Blog& blog);

// The zone's offset from UTC in seconds at `instant`, with the label rule above.
int offsetAt(const QTimeZone& zone, const QDateTime& instant);

// The zone whose clock the blog's server shows in dates without a zone: the
// named zone (label rule applied), or this computer's when it names none.
QTimeZone serverClock(const Blog* blog);

// The instant a clock time names in the zone: of a time shown twice (clocks
// going back) the earlier, and a time the clocks skipped moved forward by the
// gap, as the XML-RPC reader does.
QDateTime instantOnClock(QDate date, QTime time, const QTimeZone& zone);

// The instant a server's date value stands for, the clock time (see
// isClockTime) of a date without a zone read on `clock`; a text is read first.
// Invalid when there is no readable date.
QDateTime serverInstant(const QVariant& value, const QTimeZone& clock);

// A post's date as an instant: a GMT field ("date_created_gmt",
// "post_date_gmt") wins, read as UTC; otherwise "datecreated", on the blog's
// server clock. Invalid when the post carries no readable date.
QDateTime postInstant(const QVariantMap& post, const Blog* blog);

// The date as the zone's clock shows it: a clock time (isClockTime) with
// those clock fields, at the same instant, which the XML-RPC encoder writes
// as it stands.
QDateTime toZoneClock(const QDateTime& date, const QTimeZone& zone);

// The instant a date stands for when its clock fields are the zone's clock
// (the inverse of toZoneClock), as a local date-time. The fields of a clock
// time are its own; those of any other date are this computer's clock.
// Invalid stays invalid.
QDateTime fromZoneClock(const QDateTime& clock, const QTimeZone& zone);

// The date's UTC clock as a clock time, which the XML-RPC encoder writes
// without a zone (as WordPress's "date_created_gmt" is written).
QDateTime utcClock(const QDateTime& date);

// toZoneClock with the blog's zone, or the date unchanged without one.
QDateTime toBlogClock(const QDateTime& date, const Blog& blog);
// fromZoneClock with the blog's zone, or the date unchanged without one.
QDateTime fromBlogClock(const QDateTime& clock, const Blog& blog);

} // namespace BlogClock

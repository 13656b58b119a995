#pragma once

#include <QDateTime>
#include <QTimeZone>
#include <optional>

class Blog;

// The clock a blog's server keeps when it takes dates without a zone: the
// time zone named in the blog's settings. Posts go out showing that clock and
// come back showing it; these helpers move a date onto it and back, always at
// the date's own instant, so a post from summer and one from winter each get
// the offset of their own day, daylight saving included exactly once.
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

// The date as the zone's clock shows it, as a local date-time with those clock
// fields (what the XML-RPC encoder writes for a date without a zone).
QDateTime toZoneClock(const QDateTime& date, const QTimeZone& zone);

// The instant a date stands for when its clock fields are the zone's clock
// (the inverse of toZoneClock), as a local date-time. Invalid stays invalid.
QDateTime fromZoneClock(const QDateTime& clock, const QTimeZone& zone);

// toZoneClock with the blog's zone, or the date unchanged without one.
QDateTime toBlogClock(const QDateTime& date, const Blog& blog);
// fromZoneClock with the blog's zone, or the date unchanged without one.
QDateTime fromBlogClock(const QDateTime& clock, const Blog& blog);

} // namespace BlogClock

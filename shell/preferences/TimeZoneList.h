#pragma once

#include <QList>
#include <QString>

// The time zones a blog can be given: every zone the system lists whose name
// has a "/" (region/city), plus the fixed offsets Etc/GMT-14 to Etc/GMT+12,
// sorted case-insensitively. The stored value is the zone's name.
namespace TimeZoneList {

struct Zone {
    QString id;    // what the blog stores, e.g. "Europe/Paris" or "Etc/GMT+5"
    QString label; // what the pop-up shows
};

QList<Zone> zones();

// The label of one zone name. Fixed offsets are labelled with the offset the
// blogs' clock gives them (BlogClock): "UTC−05:00 (Etc/GMT+5)", and, as the
// clock counts "Etc/GMT-" names the way they read, "UTC−02:00 (Etc/GMT-2)".
// Other names are shown as they are.
QString label(const QString& id);

} // namespace TimeZoneList

#pragma once

#include <QByteArray>
#include <QList>
#include <QMetaType>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class Account;
class Blog;
class Entry;
class QMimeData;

// Entries dragged from the entries list onto a blog of the outline. They
// travel as a property list {account identifier: {blog identifier: [entry
// identifiers]}}; a drop moves them into the blog under the mouse.
namespace DraftItemDrop {

inline constexpr auto mimeType = "application/x-plumet-draft-item";

// The entries of one account, by blog, in the order they were listed.
struct Items {
    QString accountID;
    QList<QPair<QString, QStringList>> blogs; // blog identifier, entry identifiers
    friend bool operator==(const Items&, const Items&) = default;
};

// The payload of these entries (those without a blog are left out).
QByteArray payloadFor(const QList<Entry*>& entries);
QMimeData* mimeDataFor(const QList<Entry*>& entries);

// The listed entries of a payload, or nothing when it is not one, or when it
// holds the entries of more or fewer than one account.
std::optional<Items> read(const QByteArray& payload);

// A publish or a deletion of the entry is running or waiting: it must stay in
// its blog until that road has ended, or the road would write into an entry
// that has left.
bool hasRoadInFlight(const Entry& entry);

// What a drop did.
struct Report {
    int moved = 0;
    QStringList busy;           // titles of entries kept back while a road runs for them
    QStringList failed;         // "title: reason" of entries that could not move
    bool targetReached = false; // the drop counts as accepted
};

using AccountLookup = std::function<Account*(const QString& accountID)>;

// Moves the listed entries that their blogs hold into `target`, skipping the
// blog itself. Each entry moves on its own: one that fails stays where it
// was and the others stay moved.
Report perform(const Items& items, Blog& target, const AccountLookup& accountForID);

// Whether a drop of `items` on `target` could move anything: false when the
// account is unknown or every listed entry has a road in flight.
bool canMoveAny(const Items& items, const Blog& target, const AccountLookup& accountForID);

// When a drop of `items` on `target` is refused only because every listed
// entry has a road in flight: the sentence that names them; else empty.
QString refusalMessage(const Items& items, const Blog& target, const AccountLookup& accountForID);

// The sentence for the status line or the alert; empty when all went well.
QString busyMessage(const Report& report);
QString failureMessage(const Report& report);

} // namespace DraftItemDrop

Q_DECLARE_METATYPE(DraftItemDrop::Report)

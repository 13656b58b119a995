#pragma once

#include "ModelTypes.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantMap>

class Blog;

// Makes or refreshes an entry from one server post (a decoded XML-RPC struct or
// Atom entry with lower-cased member names).
class ServerPostReader {
public:
    // The 15 keys a post may hold without ending up in the plug-in settings.
    static const QStringList& knownKeys();

    // A new entry of `blog` from the post; null for an empty post.
    static EntryPtr entryFromPost(const QVariantMap& post, Blog* blog, bool ignoreCategories);
    // Refreshes the entry's non-text fields from the post.
    static void setOtherContent(Entry& entry, const QVariantMap& post, bool ignoreCategories);

    // The post's date in local time. With a blog time zone, the wall-clock time
    // is moved from that zone to the local one, using both zones' offsets at the
    // post's own instant (so summer and winter posts shift alike).
    static QDateTime postDate(const QVariant& value, const Blog* blog, bool ignoreCategories);
};

#pragma once

#include "ModelTypes.h"

#include <QDateTime>
#include <QStringList>
#include <QVariantMap>
#include <algorithm>
#include <array>

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

    // The post's date, in local time, as BlogClock::postInstant reads it;
    // now when the post carries no readable date.
    static QDateTime postDate(const QVariantMap& post, const Blog* blog);

    // The post's values under `keys`, found in one walk through it (null
    // where it has none): a refresh reads every post it lists, and a look-up
    // per key would search the dictionary, far off in memory, again each time.
    template <size_t N>
    static std::array<const QVariant*, N> valuesOf(const QVariantMap& post,
                                                   const std::array<QStringView, N>& keys)
    {
        std::array<const QVariant*, N> values{};
        for (auto it = post.cbegin(); it != post.cend(); ++it) {
            const auto known = std::find(keys.cbegin(), keys.cend(), it.key());
            if (known != keys.cend())
                values[size_t(known - keys.cbegin())] = &it.value();
        }
        return values;
    }
};

#pragma once

#include "ModelTypes.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

class Blog;
class PLUMETPluginProtocol;

// Brings a server's list of posts or of pages into a blog's entries. Reading
// the list (the driver's correction of each item, the identity rule) touches
// only the answer and may run on any thread; the merge changes records and
// runs on the main thread, in batches: one insertion and one removal for the
// whole list.
//
// Entries are found through the blog's identifier index, and the marks of
// those the server no longer lists come from the blog's own list of marked
// entries, so a refresh costs what its list costs, whatever the number of
// entries the blog holds.
class EntryListMerge {
public:
    enum class Kind { Posts, Pages };

    // One item of the list: its identifier and its entry dictionary, with a
    // digest of the dictionary (every key and value) for the merge to tell
    // a copy it merged before; made by read().
    struct Listed {
        QString id;
        QVariantMap post;
        size_t digest = 0;
    };

    struct Options {
        // Entries of the kind the server no longer lists stay ("keep_old_entries").
        bool keepOld = true;
        // New posts by other authors are added ("show_all_entries").
        bool showAll = true;
        // The account's user, compared with a new post's author.
        QString userID;
    };

    // The user's preferences for a merge into `blog`: "keep_old_entries" and
    // "show_all_entries", both true while unset, and the account's user.
    static Options optionsFor(const Blog& blog);

    // A post's identifier: its "postid" (a number as its decimal text); for
    // posts without one the Atom "id" reduced to its last "-" part. Pages use
    // "postid" only. Empty when there is none.
    static QString postID(const QVariantMap& post, Kind kind);

    // The items of a decoded list, each corrected by the driver and
    // digested; items that are no dictionary or have no identifier are left
    // out. Any thread.
    static QList<Listed> read(const QVariantList& items, PLUMETPluginProtocol& plugin, Kind kind);

    // Merges the list into the blog (main thread). Entries the blog has take
    // the server's copy (Entry server merge); new ones join the blog, pages
    // flagged as pages, posts of other authors left out unless all are shown.
    // Without keepOld, entries of this kind the server no longer lists leave
    // the blog with their files, except those that exist only here, carry
    // changes not yet published or are being published. An empty post list
    // stops the blog's posts road (Blog::hasZeroEntries). Answers the blog's
    // entries for the listed items, in list order.
    static QList<EntryPtr> merge(Blog& blog, const QList<Listed>& listed, Kind kind,
                                 const Options& options);

    // The categories a server lists for one post (items with "categoryName"
    // and "categoryId"; names XML-decoded; "isPrimary" marks the primary one)
    // replace the post's categories; its tags stay.
    static void mergeEntryCategories(Entry& entry, const QVariantList& items);
};

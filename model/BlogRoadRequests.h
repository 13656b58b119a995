// When a blog's roads may start, and how a fetched page sets the blog's charset option.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class Blog;

// The records' side of a blog's roads: each request checks what Blog.h
// promises (no row of the same road standing, the roads installed, the
// account's address reachable) and then hands the blog to the installed
// roads (ServerRoads, RefreshRoads), which run the jobs.
class BlogRoadRequests {
public:
    static bool retrieveEntries(Blog& blog);
    static bool retrievePages(Blog& blog);
    static bool refreshCategories(Blog& blog);
    static void detectEncoding(Blog& blog, std::function<void()> done);
    // The charset the page declares decides "convertEntities"; an empty page
    // changes nothing.
    static void applyPageEncoding(Blog& blog, const QString& pageText,
                                  const QByteArray& contentType);
};

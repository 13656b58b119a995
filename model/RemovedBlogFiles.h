#pragma once

#include <QDateTime>
#include <QString>

class Blog;

// What is kept of a blog the server no longer lists. The blog leaves its
// account, but its folder of entry files (local drafts among them) is moved,
// whole, into "Removed blogs/<date> <blog title>" inside the account's
// folder, where the files can still be opened; nothing is deleted.
struct KeptBlogFiles {
    QString blogTitle;
    QString folder; // where the files are now; empty when there were none
    int files = 0;  // entry files moved
    int drafts = 0; // of them, posts never published or changed since (flags 1 and 4)
    QString error;  // why the folder could not be moved; the files then stay where they were

    bool keptAny() const { return files > 0 && error.isEmpty(); }
};

namespace RemovedBlogFiles {

// Writes the blog's unsaved entries, then moves its folder aside. Call it
// while the blog still knows its account.
KeptBlogFiles setAside(Blog& blog, const QDateTime& when = QDateTime::currentDateTime());

} // namespace RemovedBlogFiles

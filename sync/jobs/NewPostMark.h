#pragma once

// The mark on an entry's file while the request that makes its post is
// unanswered, so a publish cut short there asks before it posts again.

#include <QString>

class Blog;
class Entry;

class NewPostMark {
public:
    // The request that makes the post is out and its answer not yet kept.
    bool isAwaiting() const { return m_awaiting; }

    // Marks the entry's file before that request; false, with the reason,
    // when the file cannot be written (the request must not go out then).
    bool set(Entry& entry, const Blog& blog, QString* error);
    // The server's answer is kept: the file takes the post id and loses the
    // mark now, before any further request. A sentence for the user when the
    // file cannot be written, or empty.
    QString keep(Entry& entry, const Blog& blog);
    // The server answered the request: with a fault or a 4xx status no post
    // was made, and the mark goes.
    void refused(Entry& entry, const Blog& blog, int status = 0);

private:
    bool m_awaiting = false;
};

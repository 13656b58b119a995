#pragma once

#include <QVariantList>

class Blog;

// Where the import shows how far it is: a level indicator in the import window.
class ImportProgress {
public:
    virtual ~ImportProgress() = default;
    virtual void setRange(int minimum, int maximum) = 0;
    virtual void setWarningValue(int value) = 0;
    virtual void setCriticalValue(int value) = 0;
    virtual void setValue(int value) = 0; // redrawn at once
    virtual void setVisible(bool visible) = 0;
};

// One-time import of the previous major version's entry list into a blog: each
// post dictionary not yet in the blog becomes an entry ("publish" = "local" keeps
// it local only). Entries join the blog on the main thread.
class PreviousVersionImport {
public:
    // Answers how many entries were added.
    static int importPosts(Blog& blog, const QVariantList& posts, ImportProgress* progress);
    // "postid", else the last "-" part of "id"; numbers as decimal text; null
    // when the post names no identifier.
    static QString identifierOf(const QVariantMap& post);
};

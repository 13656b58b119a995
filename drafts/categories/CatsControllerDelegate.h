// What the categories and tags list asks of the window that shows it.
#pragma once

#include "ModelTypes.h"

#include <QString>

class Blog;

class CatsControllerDelegate {
public:
    virtual ~CatsControllerDelegate() = default;

    // The blog system files posts under categories (else only tags are listed).
    virtual bool hasCategories() const = 0;
    virtual bool supportsPrimaryCategory() const = 0;
    // The blog of the entry being edited; null while there is none.
    virtual Blog* categoriesBlog() const = 0;
    // New tags the user named (ticked, titles trimmed and unique): the blog
    // and the other drafts of the blog get them.
    virtual void pushNewTags(const CategoryList& tags) = 0;
    // Tags the user removed from the list: the blog drops them.
    virtual void pushOldTags(const CategoryList& tags) = 0;
    // The note the list shows on an element, as its tool tip with the row
    // marked: for a category the entry holds that the blog does not have
    // ("Not on this blog"); empty for the others.
    virtual QString noteFor(const Category& category) const
    {
        Q_UNUSED(category);
        return {};
    }
};

// How a blog's list of categories and tags changes: the server's lists merged, tags added and
// removed, renames followed.
#pragma once

#include "ModelTypes.h"

#include <QString>
#include <QStringList>
#include <QVariant>

class Blog;
class Category;
struct Notification;

// The operations behind Blog's category methods (see Blog.h for what each
// promises). The list stays sorted by title, case-insensitively, with records
// of equal titles in their order; each operation announces "categories" once.
class BlogCategories {
public:
    static CategoryPtr processCategoryWithName(Blog& blog, const QString& name, const QString& id);
    static void processTagsWithNames(Blog& blog, const QStringList& names);
    static void addTags(Blog& blog, const CategoryList& tags);
    static void removeTags(Blog& blog, const CategoryList& tags);
    static void processCategories(Blog& blog, const QVariant& answer);
    static void rename(Blog& blog, const QString& oldTitle, const QString& newTitle);
    static bool owns(const Blog& blog, const Category* category);
    // A "didRenameCategory" notice: a rename of one of the blog's records
    // renames every record of that title in the blog.
    static void followRename(Blog& blog, const Notification& notification);

    // Appends, sorts once by title and announces once; nothing for none.
    static void append(Blog& blog, const CategoryList& categories);
    static void sort(CategoryList& list);
};

// The categories and tags a draft ticks: built from its blog, kept in step, written into the entry.
#pragma once

#include "ModelTypes.h"
#include "categories/CatsControllerDelegate.h"

#include <QPointer>
#include <QSet>
#include <QString>

class Blog;
class Draft;
class Entry;
class RVCatsController;

// The draft's side of the categories list: the list holds the draft's own
// copies of its blog's categories and tags (never the blog's records, so a
// tick in one window ticks nothing elsewhere), ticked as the entry has them.
// A refresh from the server follows renames by the server's identifier;
// the ticks go back into the entry at every save.
//
// A category the entry holds that the list lacks (a post fetched before a
// refresh, a category the server renamed or dropped, a post moved from
// another blog) stays listed and ticked, marked as not on this blog, and is
// written back while it stays ticked: a save never drops what the user did
// not untick.
//
// Part of the Draft; it is the list controller's delegate.
class DraftCategories : public CatsControllerDelegate {
public:
    explicit DraftCategories(Draft& draft);
    ~DraftCategories() override;

    // Makes the list and puts it in the draft's side panel.
    void build();
    RVCatsController* controller() const;
    // The listed elements.
    CategoryList categories() const;

    // The list anew from the blog: copies of all its categories and tags
    // when the blog system files posts under categories, else of its tags;
    // then checkEntryCategories.
    void initCategories();
    // Ticks and primary marks as the entry has them: by the server's
    // identifier, else by title; the entry's others join the list, marked.
    void checkEntryCategories();
    // The ticked elements, in list order, become the entry's categories.
    // Ticks the same as the entry's (titles and primary marks) leave the
    // entry as it is.
    void saveSelectedCategories(Entry& entry);
    // The blog fetched its categories from the server ("categoriesRefreshed").
    void categoriesRefreshed(Blog* blog);
    // Tags made in another draft of the blog: unchecked copies join the list,
    // but for titles it has.
    void addTags(const CategoryList& tags);
    // The first element of that title, or null (also for a null title).
    CategoryPtr hasCategoryWithName(const QString& title) const;
    // The element came from the entry and the blog does not have it.
    bool isForeign(const Category& category) const;
    // The note the list shows on such an element.
    static QString foreignNote();
    // Puts the focus in the list's search field.
    void focusSearchField();

    // --- CatsControllerDelegate ---
    bool hasCategories() const override;
    bool supportsPrimaryCategory() const override;
    Blog* categoriesBlog() const override;
    void pushNewTags(const CategoryList& tags) override;
    void pushOldTags(const CategoryList& tags) override;
    QString noteFor(const Category& category) const override;

private:
    void setContent(const CategoryList& list);
    // Forgets the marks of elements that left the list.
    void pruneForeign();

    Draft& m_draft;
    QPointer<RVCatsController> m_controller;
    QSet<const Category*> m_foreign;
};

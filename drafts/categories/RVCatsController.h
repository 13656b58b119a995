// The categories and tags list of a draft window: filters by kind and typed
// prefix, names new tags, removes tags (never categories), marks the primary
// category, and remembers sort and kind between runs.
#pragma once

#include "ModelTypes.h"

#include <QObject>

class CatsControllerDelegate;
class CategoryListModel;
class Clock;
class QAbstractButton;
class QLabel;
class QLineEdit;
class QWidget;
class RVTableView;

class RVCatsController : public QObject {
    Q_OBJECT
public:
    // Kinds of the list, shared by every draft window ("catSearchType").
    enum Kind { Both = 6901, CategoriesOnly = 6902, TagsOnly = 6903 };

    explicit RVCatsController(CatsControllerDelegate* delegate, QWidget* parent = nullptr);
    ~RVCatsController() override;

    // The panel (search field, kind toggles, table, add, remove, count) the
    // draft puts in its side panel.
    QWidget* view() const;
    QLineEdit* searchField() const;
    RVTableView* tableView() const;
    // The type-ahead pause and the naming delay run on this clock (tests).
    void setClock(Clock* clock);

    // The listed elements: the draft's own copies of the blog's categories
    // and tags, ticked as the entry has them. The list never shares an
    // element with another window.
    CategoryList content() const;
    void setContent(const CategoryList& categories);
    void appendContent(const CategoryList& categories);
    void removeContent(const CategoryList& categories);
    // Redraws the rows after ticks or titles changed behind the list's back.
    void contentChanged();

    // Rebuilds the kind toggles for the delegate's blog system.
    void constructSearchMenu();
    // Puts the focus in the search field (the publish warning's "Edit draft").
    void focusSearchField();

    // The kind listed now: the shared one, or tags only on a blog system
    // without categories.
    Kind kind() const;
    CategoryListModel* model() const;
    QAbstractButton* categoriesToggle() const;
    QAbstractButton* tagsToggle() const;
    QAbstractButton* addButton() const;
    QAbstractButton* removeButton() const;
    QLabel* countLabel() const;
    // The noun after the count, for the kind and the number of rows shown.
    QString itemCountString() const;
    // The new tag waiting for its name, else null. It is no part of
    // content() until it has one.
    CategoryPtr tagBeingNamed() const;

    // The search text; setting it filters but never makes a tag (only
    // typing in the search field does).
    QString searchString() const;
    void setSearchString(const QString& text);
    // Filters again, selects the first row and focuses the search field.
    void search();
    // Type-to-select from the table: filters by `keys` and selects the first
    // row; the empty string (the pause after the last key) shows all again.
    void inlineSearch(const QString& keys);
    // A new tag, ticked, whose name the user types in its row.
    void add();
    // Removes the selected tags; a selection of categories only is refused
    // with an alert.
    void remove();
    bool canRemove() const;
    // Ticks or unticks every selected row (Return and Enter).
    void handleEnterKey();
    bool canSetPrimary() const;
    bool shouldHidePrimary() const;
    // Makes the selected category the primary one, or ends its mark.
    void makePrimary();

signals:
    // The user ticked, unticked or made primary: the draft needs saving.
    void ticksChanged();

private:
    class Private;
    Private* d;
};

// The categories and tags list of a draft window: filters by kind and typed
// prefix, names new tags, removes tags (never categories), marks the primary
// category, and remembers sort and kind between runs.
#pragma once

#include "ModelTypes.h"

#include <QObject>

class CatsControllerDelegate;
class Clock;
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

signals:
    // The user ticked, unticked or made primary: the draft needs saving.
    void ticksChanged();

private:
    class Private;
    Private* d;
};

// The widgets of a categories and tags list: the search field with its kinds
// menu, the two kind toggles, the table, add and remove, and the count. It
// keeps its own look (the shared list font size and background colour) and
// the table's stored order; what the widgets do is the controller's.
#pragma once

#include "ModelTypes.h"

#include <QWidget>

class CategoryListModel;
class QAction;
class QActionGroup;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class RVTableView;
class TruncCellDelegate;

class CatsPanel : public QWidget {
    Q_OBJECT
public:
    CatsPanel(CategoryListModel* model, QWidget* parent = nullptr);
    ~CatsPanel() override;

    QLineEdit* search = nullptr;
    QAction* menuButton = nullptr;
    QMenu* searchMenu = nullptr;
    // The menu's kind items, their data the kind codes.
    QActionGroup* kindItems = nullptr;
    QToolButton* categoriesToggle = nullptr;
    QToolButton* tagsToggle = nullptr;
    RVTableView* table = nullptr;
    TruncCellDelegate* nameCell = nullptr;
    QToolButton* add = nullptr;
    QToolButton* remove = nullptr;
    QLabel* count = nullptr;
    QAction* primaryAction = nullptr;

    // The elements of the selected rows, in row order.
    CategoryList selectedElements() const;
    // Selects the rows of those elements that are shown, the first current.
    void selectElements(const CategoryList& categories);

    // The stored font size: the table's font, rows 4 points taller.
    void applyFont();
    // The table's background, laid over the palette's.
    void applyColor(const QColor& color);

private:
    CategoryListModel* m_model = nullptr;
};

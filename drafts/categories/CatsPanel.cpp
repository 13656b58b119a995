#include "CatsPanel.h"

#include "CategoryListModel.h"
#include "CatsListDefaults.h"
#include "CheckCellDelegate.h"
#include "ColorViewSync.h"
#include "DraftSideView.h"
#include "GradientHeaderView.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "RVTableView.h"
#include "SystemFont.h"
#include "TruncCellDelegate.h"
#include "UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QString localText(const char* text)
{
    return localized("RVCatsController", text);
}

QToolButton* toggle(const char* title, int code, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setText(localText(title));
    button->setCheckable(true);
    button->setProperty("tag", code);
    return button;
}

} // namespace

CatsPanel::CatsPanel(CategoryListModel* model, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    // The search field takes the panel's width, the kind toggles go below it:
    // side by side the field kept no room to show what is typed.
    auto* top = new QHBoxLayout;
    search = new QLineEdit(this);
    search->setClearButtonEnabled(true);
    searchMenu = new QMenu(search);
    kindItems = new QActionGroup(searchMenu);
    const std::pair<int, const char*> kinds[] = {
        {6901, "Categories and Tags"}, {6902, "Categories"}, {6903, "Tags"}};
    for (const auto& [code, title] : kinds) {
        QAction* item = searchMenu->addAction(localText(title));
        item->setCheckable(true);
        item->setData(code);
        kindItems->addAction(item);
    }
    menuButton =
        search->addAction(style()->standardIcon(QStyle::SP_ArrowDown), QLineEdit::LeadingPosition);
    connect(menuButton, &QAction::triggered, this,
            [this] { searchMenu->popup(search->mapToGlobal(QPoint(0, search->height()))); });
    categoriesToggle = toggle("Categories", 6902, this);
    tagsToggle = toggle("Tags", 6903, this);
    layout->addWidget(search);
    top->addWidget(categoriesToggle, 1);
    top->addWidget(tagsToggle, 1);
    layout->addLayout(top);

    table = new RVTableView(this);
    table->setHorizontalHeader(new GradientHeaderView(Qt::Horizontal, table));
    table->setModel(model);
    nameCell = new TruncCellDelegate(TruncCellDelegate::Kind::Plain, table);
    table->setItemDelegateForColumn(CategoryListModel::NameColumn, nameCell);
    table->setItemDelegateForColumn(CategoryListModel::CheckColumn, new CheckCellDelegate(table));
    // Only a new tag's name opens for editing, and only when the list says so.
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setShowGrid(false);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setMinimumSectionSize(1);
    QHeaderView* header = table->horizontalHeader();
    header->setSectionResizeMode(CategoryListModel::CheckColumn, QHeaderView::Fixed);
    header->resizeSection(CategoryListModel::CheckColumn, 22);
    header->setSectionResizeMode(CategoryListModel::NameColumn, QHeaderView::Stretch);
    table->setContextMenuPolicy(Qt::ActionsContextMenu);
    primaryAction = new QAction(localText("Make Primary"), table);
    table->addAction(primaryAction);
    layout->addWidget(table, 1);

    auto* bottom = new QHBoxLayout;
    add = new QToolButton(this);
    add->setText(QStringLiteral("+"));
    remove = new QToolButton(this);
    remove->setText(QStringLiteral("\u2212"));
    count = new QLabel(this);
    bottom->addWidget(add);
    bottom->addWidget(remove);
    bottom->addStretch(1);
    bottom->addWidget(count);
    layout->addLayout(bottom);

    // The stored order, shown by the header from the start.
    const CategoryListModel::SortOrder order = CatsListDefaults::sortOrder();
    model->setSortOrder(order);
    header->setSortIndicator(order.key == CategoryListModel::SortKey::Checked
                                 ? CategoryListModel::CheckColumn
                                 : CategoryListModel::NameColumn,
                             order.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);

    applyFont();
    applyColor(DraftSideView::storedColor());
    NotificationCenter& center = NotificationCenter::sharedInstance();
    const auto followColor = [this](const Notification& notification) {
        const QColor color = DraftSideView::notifiedColor(notification);
        if (color.isValid())
            applyColor(color);
    };
    center.observe(QString::fromLatin1(ColorViewSync::colorChangedByLists), this, followColor);
    center.observe(QString::fromLatin1(ColorViewSync::colorChangedBySidePanels), this, followColor);
    connect(&UserDefaults::sharedInstance(), &UserDefaults::changed, this,
            [this](const QString& changed) {
                if (changed == QLatin1String(CatsListDefaults::fontSizeKey))
                    applyFont();
            });
}

CatsPanel::~CatsPanel()
{
    NotificationCenter::sharedInstance().removeObserver(this);
}

void CatsPanel::applyFont()
{
    const double size = CatsListDefaults::fontSize();
    table->setFont(systemFontOfSize(size));
    table->verticalHeader()->setDefaultSectionSize(int(size + 4));
}

void CatsPanel::applyColor(const QColor& color)
{
    PaletteColors::setBackground(*table, QPalette::Base, color, QApplication::palette(table));
    table->viewport()->update();
}

CategoryList CatsPanel::selectedElements() const
{
    QModelIndexList rows = table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    CategoryList list;
    for (const QModelIndex& row : rows) {
        if (CategoryPtr category = m_model->at(row.row()))
            list.append(category);
    }
    return list;
}

void CatsPanel::selectElements(const CategoryList& categories)
{
    QItemSelection selection;
    int first = -1;
    for (const CategoryPtr& category : categories) {
        const int row = m_model->rowOf(category);
        if (row < 0)
            continue;
        if (first < 0)
            first = row;
        selection.select(m_model->index(row, 0),
                         m_model->index(row, CategoryListModel::ColumnCount - 1));
    }
    QItemSelectionModel* selectionModel = table->selectionModel();
    if (first >= 0)
        selectionModel->setCurrentIndex(m_model->index(first, CategoryListModel::NameColumn),
                                        QItemSelectionModel::NoUpdate);
    selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
}

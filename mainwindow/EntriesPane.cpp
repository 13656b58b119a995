#include "EntriesPane.h"

#include "AlertBox.h"
#include "Blog.h"
#include "Category.h"
#include "DraftRegistry.h"
#include "Entry.h"
#include "EntryArrayController.h"
#include "EntryDeletion.h"
#include "EntryListModel.h"
#include "LabelCellDelegate.h"
#include "Localization.h"
#include "RVEntriesView.h"
#include "SystemFont.h"
#include "UserDefaults.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const table = "EntryArrayController";

struct ModeText {
    int tag;
    const char* title;
};

constexpr ModeText modeTexts[] = {
    {EntryArrayController::SearchAll, "All"},
    {EntryArrayController::SearchTitle, "Title"},
    {EntryArrayController::SearchContents, "Contents"},
    {EntryArrayController::SearchTags, "Tags"},
};

} // namespace

EntriesPane::EntriesPane(EntryListModel* entries, QWidget* parent, UserDefaults* defaults)
    : QWidget(parent), m_entries(entries),
      m_defaults(defaults ? *defaults : UserDefaults::sharedInstance()),
      m_arranged(new EntryArrayController(entries, this, &m_defaults)),
      m_deletion(new EntryDeletion(this, this))
{
    setObjectName(QStringLiteral("EntriesPane"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildFilterBar();
    m_view = new RVEntriesView;
    layout->addWidget(m_view, 1);
    configureView();

    connect(m_entries, &EntryListModel::blogsChanged, this, &EntriesPane::fillCategories);
    connect(m_entries, &EntryListModel::categoriesChanged, this, &EntriesPane::fillCategories);
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m_arranged, signal, this, [this] { updateCount(); });
    connect(m_arranged, &QAbstractItemModel::modelReset, this, [this] { updateCount(); });
    // Rows that leave or move can change the entry shown for the selection.
    connect(m_arranged, &QAbstractItemModel::rowsRemoved, this, &EntriesPane::followCurrent);
    connect(m_arranged, &QAbstractItemModel::modelReset, this, &EntriesPane::followCurrent);
    connect(m_arranged, &QAbstractItemModel::layoutChanged, this, &EntriesPane::followCurrent);
    fillCategories();
    updateCount();
}

EntriesPane::~EntriesPane() = default;

void EntriesPane::buildFilterBar()
{
    auto* bar = new QWidget;
    bar->setObjectName(QStringLiteral("filterBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 4, 6, 4);

    m_categories = new QComboBox;
    m_categories->setObjectName(QStringLiteral("categoryPopup"));
    m_categories->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_categories->setMinimumContentsLength(12);
    connect(m_categories, &QComboBox::activated, this, &EntriesPane::categoryChosen);
    row->addWidget(m_categories);

    m_count = new QLabel;
    m_count->setObjectName(QStringLiteral("entryCount"));
    m_count->setForegroundRole(QPalette::PlaceholderText);
    row->addWidget(m_count);
    row->addStretch(1);

    m_search = new QLineEdit;
    m_search->setObjectName(QStringLiteral("searchField"));
    m_search->setClearButtonEnabled(true);
    m_search->setPlaceholderText(localized(table, "Search"));
    m_search->setMinimumWidth(180);
    m_searchMenu = new QMenu(localized(table, "Search Menu"), this);
    m_modes = new QActionGroup(this);
    m_modes->setExclusive(true);
    QAction* menuButton = m_search->addAction(
        QIcon::fromTheme(QStringLiteral("edit-find"),
                         style()->standardIcon(QStyle::SP_FileDialogContentsView)),
        QLineEdit::LeadingPosition);
    menuButton->setToolTip(localized(table, "Search Menu"));
    connect(menuButton, &QAction::triggered, this, [this] {
        rebuildSearchMenu();
        m_searchMenu->popup(m_search->mapToGlobal(QPoint(0, m_search->height())));
    });
    connect(m_search, &QLineEdit::textChanged, m_arranged, &EntryArrayController::setSearchString);
    connect(m_search, &QLineEdit::returnPressed, this, &EntriesPane::rememberSearch);
    row->addWidget(m_search);
    rebuildSearchMenu();

    layout()->addWidget(bar);
}

void EntriesPane::configureView()
{
    m_view->setModel(m_arranged);
    m_view->setTitleColumn(EntryListModel::TitleColumn);
    const double size = m_defaults.real(QStringLiteral("listFontSize"));
    const QFont font = systemFontOfSize(size > 0 ? size : 11.0);
    m_view->setFont(font);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setDefaultSectionSize(std::max(20, QFontMetrics(font).height() + 4));
    m_view->setShowGrid(false);
    m_view->setWordWrap(false);
    m_view->setItemDelegateForColumn(EntryListModel::TitleColumn,
                                     new LabelCellDelegate(CellGeometry::LabelPart::Left, m_view));
    m_view->setItemDelegateForColumn(EntryListModel::DateColumn,
                                     new LabelCellDelegate(CellGeometry::LabelPart::Right, m_view));

    QHeaderView* header = m_view->horizontalHeader();
    header->setSectionResizeMode(EntryListModel::TitleColumn, QHeaderView::Stretch);
    header->resizeSection(EntryListModel::DateColumn, 170);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    // The indicator shows the order however it came: restored from the
    // defaults after the pane was built, or set by the header itself.
    const auto showOrder = [this, header] {
        const QSignalBlocker quiet(header);
        header->setSortIndicator(m_arranged->sortColumn(), m_arranged->sortOrder());
    };
    showOrder();
    connect(m_arranged, &EntryArrayController::sortDescriptorsChanged, header, showOrder);
    connect(header, &QHeaderView::sortIndicatorChanged, m_arranged,
            [this](int column, Qt::SortOrder order) { m_arranged->sort(column, order); });

    connect(m_view, &GradientTableView::removeRequested, this, [this] { remove(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { followCurrent(); });
    connect(m_view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { followCurrent(); });

    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // A click on an unselected row selects it first, as the desktop does.
        const QModelIndex clicked = m_view->indexAt(at);
        if (clicked.isValid() && !m_view->selectionModel()->isRowSelected(clicked.row()))
            m_view->selectRow(clicked.row());
        if (m_contextActions.isEmpty())
            return;
        QMenu menu;
        for (QAction* action : std::as_const(m_contextActions)) {
            if (action)
                menu.addAction(action);
            else
                menu.addSeparator();
        }
        menu.exec(m_view->viewport()->mapToGlobal(at));
    });
}

// --- selection -----------------------------------------------------------------------------

QList<Entry*> EntriesPane::selectedEntries() const
{
    QList<Entry*> entries;
    for (const EntryPtr& entry : selectedEntryPointers())
        entries.append(entry.get());
    return entries;
}

QList<EntryPtr> EntriesPane::selectedEntryPointers() const
{
    QList<EntryPtr> entries;
    if (!m_view->selectionModel())
        return entries;
    QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& row : std::as_const(rows)) {
        if (EntryPtr entry = m_arranged->entryPtrAtRow(row.row()))
            entries.append(entry);
    }
    return entries;
}

Entry* EntriesPane::currentEntry() const
{
    QItemSelectionModel* selection = m_view->selectionModel();
    if (!selection || !selection->hasSelection())
        return nullptr;
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row()))
        return m_arranged->itemAtRow(current.row());
    const QList<Entry*> entries = selectedEntries();
    return entries.isEmpty() ? nullptr : entries.first();
}

void EntriesPane::followCurrent()
{
    Entry* current = currentEntry();
    if (current == m_lastCurrent.data())
        return;
    m_lastCurrent = current;
    emit selectionChanged();
}

bool EntriesPane::hasSelection() const
{
    return m_view->selectionModel() && m_view->selectionModel()->hasSelection();
}

bool EntriesPane::canCopyPermalink() const
{
    const QList<Entry*> entries = selectedEntries();
    return !entries.isEmpty() && !entries.first()->permaLink().isEmpty();
}

// --- search --------------------------------------------------------------------------------

void EntriesPane::setSearchMode(int mode)
{
    m_arranged->setSearchMode(mode);
    rebuildSearchMenu();
    m_search->setFocus(Qt::OtherFocusReason);
    m_search->setCursorPosition(int(m_search->text().size()));
}

void EntriesPane::rememberSearch()
{
    const QString text = m_search->text().trimmed();
    if (text.isEmpty())
        return;
    m_recents.removeAll(text);
    m_recents.prepend(text);
    while (m_recents.size() > recentSearchLimit)
        m_recents.removeLast();
    rebuildSearchMenu();
}

void EntriesPane::clearRecentSearches()
{
    m_recents.clear();
    rebuildSearchMenu();
}

void EntriesPane::rebuildSearchMenu()
{
    m_searchMenu->clear();
    for (QAction* old : m_modes->actions())
        m_modes->removeAction(old);
    for (const ModeText& mode : modeTexts) {
        QAction* item = m_searchMenu->addAction(localized(table, mode.title));
        item->setData(mode.tag);
        item->setCheckable(true);
        item->setChecked(mode.tag == m_arranged->searchMode());
        m_modes->addAction(item);
        const int tag = mode.tag;
        connect(item, &QAction::triggered, this, [this, tag] { setSearchMode(tag); });
    }
    m_searchMenu->addSeparator();
    if (m_recents.isEmpty()) {
        m_searchMenu->addAction(localized(table, "No Recent Searches"))->setEnabled(false);
        return;
    }
    m_searchMenu->addAction(localized(table, "Recent Searches"))->setEnabled(false);
    for (const QString& recent : std::as_const(m_recents)) {
        QAction* item = m_searchMenu->addAction(recent);
        connect(item, &QAction::triggered, this, [this, recent] { m_search->setText(recent); });
    }
    m_searchMenu->addSeparator();
    connect(m_searchMenu->addAction(localized(table, "Clear")), &QAction::triggered, this,
            &EntriesPane::clearRecentSearches);
}

// --- categories ----------------------------------------------------------------------------

void EntriesPane::fillCategories()
{
    const QString chosen = m_arranged->categoryFilter();
    QStringList titles;
    for (Blog* blog : m_entries->blogs()) {
        for (const CategoryPtr& category : blog->categories()) {
            if (category && category->isCategory() && !titles.contains(category->title()))
                titles.append(category->title());
        }
    }
    std::sort(titles.begin(), titles.end(), [](const QString& a, const QString& b) {
        return a.compare(b, Qt::CaseInsensitive) < 0;
    });
    const QSignalBlocker quiet(m_categories);
    m_categories->clear();
    m_categories->addItem(localized(table, "All"));
    m_categories->insertSeparator(1);
    for (const QString& title : std::as_const(titles))
        m_categories->addItem(title, title);
    const int at = chosen.isEmpty() ? -1 : m_categories->findData(chosen);
    m_categories->setCurrentIndex(at >= EntryArrayController::firstCategoryItem ? at : 0);
    m_arranged->setCategoryFilter(at >= EntryArrayController::firstCategoryItem ? chosen
                                                                                : QString());
}

void EntriesPane::categoryChosen(int index)
{
    // The first two items, "All" and the separator, filter nothing.
    m_arranged->setCategoryFilter(index >= EntryArrayController::firstCategoryItem
                                      ? m_categories->itemText(index)
                                      : QString());
}

void EntriesPane::updateCount()
{
    const int count = m_arranged->rowCount();
    m_count->setText(QString::number(count) + m_arranged->entryCountString());
}

// --- commands ------------------------------------------------------------------------------

void EntriesPane::openSelected()
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    const QList<Entry*> entries = selectedEntries();
    if (drafts && !entries.isEmpty())
        drafts->openDrafts(entries);
}

void EntriesPane::remove()
{
    const QList<EntryPtr> entries = selectedEntryPointers();
    if (!entries.isEmpty())
        m_deletion->ask(entries);
}

void EntriesPane::publish()
{
    DraftRegistry* drafts = DraftRegistry::sharedInstance();
    QStringList refusals;
    for (Entry* entry : selectedEntries()) {
        const QString name = QChar(0x201C) + entry->displayName() + QChar(0x201D);
        if (QObject* draft = drafts ? drafts->hasOpenDraft(entry) : nullptr) {
            drafts->publishDraft(draft);
            continue;
        }
        if (entry->beingPublished() || entry->publishActivity())
            refusals << localized(table, "%1 is being published already.").arg(name);
        else if (entry->hasFlag(Entry::BeingDeleted))
            refusals << localized(table, "%1 is being deleted.").arg(name);
        else if (!entry->publish())
            refusals << localized(table, "%1 could not be published now.").arg(name);
    }
    if (!refusals.isEmpty())
        showAlert(localized(table, "Some items were not published."), refusals);
}

void EntriesPane::copyPermalink()
{
    if (!canCopyPermalink())
        return;
    QApplication::clipboard()->setText(selectedEntries().first()->permaLink());
}

void EntriesPane::showAlert(const QString& title, const QStringList& lines)
{
    auto* alert = new AlertBox(QMessageBox::Warning, localized(table, "Publish"), title,
                               QMessageBox::Ok, this);
    alert->setInformativeText(lines.join(QLatin1Char('\n')));
    alert->setWindowModality(Qt::WindowModal);
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

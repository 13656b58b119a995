#include "CategoryListModel.h"

#include "Category.h"
#include "Localization.h"
#include "TagNames.h"
#include "TruncCellDelegate.h"

#include <QFont>
#include <algorithm>
#include <numeric>

CategoryListModel::CategoryListModel(QObject* parent) : QAbstractTableModel(parent) {}

CategoryListModel::~CategoryListModel() = default;

void CategoryListModel::setContent(const CategoryList& categories)
{
    beginResetModel();
    m_items = categories;
    m_items.removeAll(nullptr);
    if (m_editable && !m_items.contains(m_editable))
        m_editable.reset();
    rebuildTitleIndex();
    m_shown.clear();
    m_rowAt.clear();
    endResetModel();
}

void CategoryListModel::append(const CategoryList& categories)
{
    CategoryList all = m_items;
    for (const auto& category : categories) {
        if (category && !all.contains(category))
            all.append(category);
    }
    setContent(all);
}

void CategoryListModel::remove(const CategoryList& categories)
{
    CategoryList all = m_items;
    all.removeIf([&categories](const CategoryPtr& c) { return categories.contains(c); });
    setContent(all);
}

void CategoryListModel::reindex()
{
    beginResetModel();
    rebuildTitleIndex();
    m_shown.clear();
    m_rowAt.clear();
    endResetModel();
}

void CategoryListModel::rebuildTitleIndex()
{
    m_folded.clear();
    m_folded.reserve(m_items.size());
    for (const auto& category : m_items)
        m_folded.push_back(TagNames::folded(category->title()));
    m_position.clear();
    m_position.reserve(m_items.size());
    for (int i = 0; i < int(m_items.size()); ++i)
        m_position.insert(m_items[i].get(), i);
    m_byTitle.resize(m_items.size());
    std::iota(m_byTitle.begin(), m_byTitle.end(), 0);
    std::stable_sort(m_byTitle.begin(), m_byTitle.end(),
                     [this](int a, int b) { return titleLess(a, b); });
}

bool CategoryListModel::titleLess(int a, int b) const
{
    const int byFold = m_folded[a].compare(m_folded[b]);
    if (byFold != 0)
        return byFold < 0;
    return m_items[a]->title() < m_items[b]->title();
}

std::pair<std::vector<int>::const_iterator, std::vector<int>::const_iterator>
CategoryListModel::prefixRange(const QString& folded) const
{
    // Titles starting with the prefix sit together in title order, from the
    // first title not below the prefix onwards.
    const auto first =
        std::lower_bound(m_byTitle.begin(), m_byTitle.end(), folded,
                         [this](int index, const QString& key) { return m_folded[index] < key; });
    const auto last = std::partition_point(first, m_byTitle.end(), [this, &folded](int index) {
        return m_folded[index].startsWith(folded);
    });
    return {first, last};
}

void CategoryListModel::setFilter(bool categories, bool tags, const QString& prefix)
{
    m_listCategories = categories;
    m_listTags = tags;
    m_prefix = prefix;
    m_foldedPrefix = TagNames::folded(prefix);
}

bool CategoryListModel::isListed(const Category& category) const
{
    return (m_listCategories && category.isCategory()) || (m_listTags && category.isTag());
}

bool CategoryListModel::anyTitleStartsWith(const QString& text) const
{
    const auto [first, last] = prefixRange(TagNames::folded(text));
    return first != last;
}

void CategoryListModel::rearrange()
{
    std::vector<int> shown;
    const auto [first, last] = prefixRange(m_foldedPrefix);
    shown.reserve(last - first);
    for (auto it = first; it != last; ++it) {
        if (isListed(*m_items[*it]))
            shown.push_back(*it);
    }
    // Nothing of a listed kind: the whole content rather than an empty list.
    if (shown.empty())
        shown = m_byTitle;
    if (m_sort.key == SortKey::Checked) {
        // Ticks, then titles in their order.
        const bool checkedFirst = !m_sort.ascending;
        std::stable_partition(shown.begin(), shown.end(), [this, checkedFirst](int index) {
            return m_items[index]->isChecked() == checkedFirst;
        });
    } else if (!m_sort.ascending) {
        std::reverse(shown.begin(), shown.end());
    }
    beginResetModel();
    m_shown = std::move(shown);
    m_rowAt.assign(m_items.size(), -1);
    for (int row = 0; row < int(m_shown.size()); ++row)
        m_rowAt[m_shown[row]] = row;
    endResetModel();
}

CategoryPtr CategoryListModel::at(int row) const
{
    if (row < 0 || row >= int(m_shown.size()))
        return nullptr;
    return m_items.at(m_shown[row]);
}

int CategoryListModel::rowOf(const CategoryPtr& category) const
{
    const int position = m_position.value(category.get(), -1);
    return position < 0 || position >= int(m_rowAt.size()) ? -1 : m_rowAt[position];
}

void CategoryListModel::setSortOrder(const SortOrder& order)
{
    m_sort = order;
}

void CategoryListModel::sort(int column, Qt::SortOrder order)
{
    const SortOrder wanted{column == CheckColumn ? SortKey::Checked : SortKey::Title,
                           order == Qt::AscendingOrder};
    const bool changed = wanted != m_sort;
    m_sort = wanted;
    rearrange();
    if (changed)
        emit sortOrderChanged();
}

void CategoryListModel::setEditable(const CategoryPtr& category)
{
    m_editable = category;
}

void CategoryListModel::refresh(const CategoryPtr& category)
{
    const int row = rowOf(category);
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

void CategoryListModel::refreshAll()
{
    if (!m_shown.empty())
        emit dataChanged(index(0, 0), index(int(m_shown.size()) - 1, ColumnCount - 1));
}

int CategoryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int CategoryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CategoryListModel::data(const QModelIndex& index, int role) const
{
    const CategoryPtr category = index.isValid() ? at(index.row()) : nullptr;
    if (!category)
        return {};
    if (index.column() == CheckColumn) {
        if (role == Qt::CheckStateRole)
            return category->isChecked() ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return category->title();
    case Qt::ToolTipRole: {
        const QString note = m_noteFor ? m_noteFor(*category) : QString();
        return note.isEmpty() ? category->title()
                              : category->title() + QStringLiteral(" — ") + note;
    }
    case Qt::FontRole: {
        if (!m_noteFor || m_noteFor(*category).isEmpty())
            return {};
        QFont italic;
        italic.setItalic(true);
        return italic;
    }
    case TruncCellDelegate::kindRole: {
        // Bold for the primary category; categories stand apart from tags
        // while both are listed.
        using Kind = TruncCellDelegate::Kind;
        if (category->isCategory() && category->isPrimary())
            return int(Kind::Heading);
        if (category->isCategory() && m_listCategories && m_listTags)
            return int(Kind::Secondary);
        return int(Kind::Plain);
    }
    default:
        return {};
    }
}

QVariant CategoryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (section == NameColumn)
        return localized("RVCatsController", "Name");
    return QString();
}

Qt::ItemFlags CategoryListModel::flags(const QModelIndex& index) const
{
    const CategoryPtr category = index.isValid() ? at(index.row()) : nullptr;
    if (!category)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == CheckColumn)
        flags |= Qt::ItemIsUserCheckable;
    else if (category == m_editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool CategoryListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    const CategoryPtr category = index.isValid() ? at(index.row()) : nullptr;
    if (!category)
        return false;
    if (index.column() == CheckColumn && role == Qt::CheckStateRole) {
        const bool checked = value.toInt() == Qt::Checked;
        if (checked == category->isChecked())
            return true;
        category->setIsChecked(checked);
        // A primary category is always ticked.
        if (!checked && category->isPrimary())
            category->setIsPrimary(false);
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), ColumnCount - 1));
        emit tickChanged(category);
        return true;
    }
    if (index.column() == NameColumn && role == Qt::EditRole && category == m_editable) {
        emit nameCommitted(category, value.toString());
        return true;
    }
    return false;
}

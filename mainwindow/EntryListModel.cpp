#include "EntryListModel.h"

#include "DateTransformer.h"
#include "DraftItemDrop.h"
#include "Entry.h"
#include "Localization.h"

#include <QMimeData>
#include <algorithm>

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent) {}

EntryListModel::~EntryListModel() = default;

void EntryListModel::setBlogs(const QList<Blog*>& blogs)
{
    for (const auto& connection : std::as_const(m_watches))
        disconnect(connection);
    m_watches.clear();
    m_blogs.clear();
    for (Blog* blog : blogs) {
        if (!blog)
            continue;
        m_blogs.append(blog);
        // Any change of a blog's list: an insertion, a removal or a new list.
        for (auto signal : {&Blog::entriesInserted, &Blog::entriesRemoved})
            m_watches.append(connect(blog, signal, this, [this](int, int) { reload(); }));
        m_watches.append(connect(blog, &Blog::entriesReset, this, [this] { reload(); }));
    }
    reload();
}

QList<Blog*> EntryListModel::blogs() const
{
    QList<Blog*> blogs;
    for (const auto& blog : m_blogs) {
        if (blog)
            blogs.append(blog.data());
    }
    return blogs;
}

void EntryListModel::setSortDescriptors(const QList<EntrySorting::Descriptor>& descriptors)
{
    m_descriptors = descriptors;
    reload();
}

void EntryListModel::reload()
{
    beginResetModel();
    m_entries.clear();
    for (const auto& blog : std::as_const(m_blogs)) {
        if (blog)
            m_entries += blog->entries();
    }
    m_entries.removeAll(nullptr);
    std::stable_sort(m_entries.begin(), m_entries.end(),
                     [this](const EntryPtr& a, const EntryPtr& b) {
                         return EntrySorting::lessThan(*a, *b, m_descriptors);
                     });
    endResetModel();
}

Entry* EntryListModel::entryAt(int row) const
{
    return row >= 0 && row < m_entries.size() ? m_entries[row].get() : nullptr;
}

int EntryListModel::rowOf(const Entry* entry) const
{
    for (int row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].get() == entry)
            return row;
    }
    return -1;
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    Entry* entry = entryAt(index.row());
    if (!entry)
        return {};
    if (role == EntryRole)
        return QVariant::fromValue(static_cast<void*>(entry));
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case TitleColumn:
        return entry->title();
    case DateColumn:
        return DateTransformer::transformedValue(entry->entryDate());
    default:
        return {};
    }
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return localized("BlogController", "Title");
    case DateColumn:
        return localized("BlogController", "Date");
    default:
        return {};
    }
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void EntryListModel::sort(int column, Qt::SortOrder order)
{
    const QString key =
        column == DateColumn ? QStringLiteral("entryDate") : QStringLiteral("title");
    QList<EntrySorting::Descriptor> descriptors{{key, order == Qt::AscendingOrder}};
    for (const auto& d : std::as_const(m_descriptors)) {
        if (d.key != key)
            descriptors.append(d);
    }
    setSortDescriptors(descriptors);
}

QStringList EntryListModel::mimeTypes() const
{
    return {QString::fromLatin1(DraftItemDrop::mimeType)};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<Entry*> entries;
    QList<int> rows;
    for (const QModelIndex& index : indexes) {
        if (!rows.contains(index.row()) && entryAt(index.row())) {
            rows.append(index.row());
            entries.append(entryAt(index.row()));
        }
    }
    return entries.isEmpty() ? nullptr : DraftItemDrop::mimeDataFor(entries);
}

Qt::DropActions EntryListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

#include "EntryListModel.h"

#include "Category.h"
#include "DateTransformer.h"
#include "DraftItemDrop.h"
#include "Entry.h"
#include "Localization.h"
#include "NotificationCenter.h"

#include <QCollator>
#include <QLocale>
#include <QMimeData>
#include <QSet>

namespace {

// Letter case ignored, numbers by value ("Post 9" before "Post 10"), by the
// user's language; the C locale collates by code unit alone, so English
// stands in for it.
const QCollator& collator()
{
    static const QCollator shared = [] {
        const QLocale system;
        QCollator made(system.language() == QLocale::C ? QLocale(QLocale::English) : system);
        made.setNumericMode(true);
        made.setCaseSensitivity(Qt::CaseInsensitive);
        return made;
    }();
    return shared;
}

// The tool tip of one of the entry's switches, for the roles that name one;
// a null text for any other role.
QString switchTooltip(const Entry& entry, int role)
{
    switch (role) {
    case EntryListModel::CommentTooltipRole:
        return entry.commentOption().toBool() ? localized("Entry", "Click to disable comments")
                                              : localized("Entry", "Click to allow comments");
    case EntryListModel::TrackbackTooltipRole:
        return entry.trackbackOption().toBool() ? localized("Entry", "Click to disable trackbacks")
                                                : localized("Entry", "Click to allow trackbacks");
    case EntryListModel::DraftTooltipRole:
        return entry.draftOrPublish()
                   ? localized("Entry", "Draft will be stored as draft on server")
                   : localized("Entry", "Draft will be published on blog");
    case EntryListModel::NotifyTooltipRole:
        return entry.notifyOption().toBool()
                   ? localized("Entry", "Notifications will be sent on publish")
                   : localized("Entry", "Notifications will not be sent on publish");
    default:
        return {};
    }
}

} // namespace

struct EntryListModel::Keys {
    quint64 changes = 0;
    bool hasTexts = false;
    SearchTexts texts;
    std::optional<QCollatorSortKey> title;
    std::optional<QCollatorSortKey> identifier;
    std::optional<qint64> date;
};

EntryListModel::EntryListModel(QObject* parent) : QAbstractTableModel(parent)
{
    // A renamed category or tag changes what the entries' tags read.
    NotificationCenter::sharedInstance().observe(QStringLiteral("didRenameCategory"), this,
                                                 [this](const Notification&) {
                                                     for (Row& row : m_rows)
                                                         row.keys.reset();
                                                 });
}

EntryListModel::~EntryListModel()
{
    for (const auto& connection : std::as_const(m_watches))
        disconnect(connection);
    for (Row& row : m_rows)
        disconnect(row.watch);
}

void EntryListModel::setBlogs(const QList<Blog*>& blogs)
{
    for (const auto& connection : std::as_const(m_watches))
        disconnect(connection);
    m_watches.clear();
    m_blogs.clear();
    m_blogAddresses.clear();
    for (Blog* blog : blogs) {
        if (blog && !m_blogAddresses.contains(blog))
            follow(blog);
    }
    reload();
    emit blogsChanged();
}

void EntryListModel::follow(Blog* blog)
{
    m_blogs.append(blog);
    m_blogAddresses.append(blog);
    m_watches.append(connect(blog, &Blog::entriesAboutToBeInserted, this,
                             [this, blog](int f, int l) { blogAboutToInsert(blog, f, l); }));
    m_watches.append(connect(blog, &Blog::entriesInserted, this,
                             [this, blog](int f, int l) { blogInserted(blog, f, l); }));
    m_watches.append(connect(blog, &Blog::entriesAboutToBeRemoved, this,
                             [this, blog](int f, int l) { blogAboutToRemove(blog, f, l); }));
    m_watches.append(connect(blog, &Blog::entriesRemoved, this,
                             [this, blog](int f, int l) { blogRemoved(blog, f, l); }));
    // A new list: the old rows' entries stay valid until the reload.
    m_watches.append(connect(blog, &Blog::entriesReset, this, [this] { reload(); }));
    m_watches.append(connect(blog, &ModelRecord::valueChanged, this, [this](const QString& key) {
        if (key == QLatin1String("categories"))
            emit categoriesChanged();
    }));
    m_watches.append(connect(blog, &QObject::destroyed, this, [this, blog] {
        const int index = m_blogAddresses.indexOf(blog);
        if (index < 0)
            return;
        m_blogs.removeAt(index);
        m_blogAddresses.removeAt(index);
        reload();
        emit blogsChanged();
    }));
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

EntryListModel::Row EntryListModel::makeRow(const EntryPtr& entry)
{
    Row row;
    row.entry = entry;
    if (entry) {
        const Entry* watched = entry.get();
        row.watch = connect(entry.get(), &ModelRecord::valueChanged, this,
                            [this, watched] { entryChanged(watched); });
    }
    return row;
}

void EntryListModel::reload()
{
    beginResetModel();
    for (Row& row : m_rows)
        disconnect(row.watch);
    m_rows.clear();
    m_counts.clear();
    m_pending.reset();
    for (const auto& blog : std::as_const(m_blogs)) {
        const QList<EntryPtr> entries = blog ? blog->entries() : QList<EntryPtr>();
        m_counts.append(int(entries.size()));
        for (const EntryPtr& entry : entries)
            m_rows.push_back(makeRow(entry));
    }
    m_rowIndexDirty = true;
    endResetModel();
}

int EntryListModel::blogIndex(const Blog* blog) const
{
    return int(m_blogAddresses.indexOf(blog));
}

int EntryListModel::offsetOf(int index) const
{
    int offset = 0;
    for (int i = 0; i < index; ++i)
        offset += m_counts.value(i);
    return offset;
}

void EntryListModel::blogAboutToInsert(Blog* blog, int first, int last)
{
    const int index = blogIndex(blog);
    if (index < 0 || first < 0 || last < first || first > m_counts.value(index))
        return;
    const int at = offsetOf(index) + first;
    m_pending = std::pair{at, at + (last - first)};
    beginInsertRows({}, at, at + (last - first));
}

void EntryListModel::blogInserted(Blog* blog, int first, int last)
{
    const int index = blogIndex(blog);
    if (index < 0 || !m_pending) {
        reload();
        return;
    }
    const QList<EntryPtr> entries = blog->entries();
    const int at = m_pending->first;
    m_pending.reset();
    std::vector<Row> added;
    for (int i = first; i <= last; ++i)
        added.push_back(makeRow(entries.value(i)));
    m_rows.insert(m_rows.begin() + at, std::make_move_iterator(added.begin()),
                  std::make_move_iterator(added.end()));
    m_counts[index] += last - first + 1;
    m_rowIndexDirty = true;
    endInsertRows();
}

void EntryListModel::blogAboutToRemove(Blog* blog, int first, int last)
{
    const int index = blogIndex(blog);
    if (index < 0 || first < 0 || last < first || last >= m_counts.value(index))
        return;
    const int at = offsetOf(index) + first;
    m_pending = std::pair{at, at + (last - first)};
    beginRemoveRows({}, at, at + (last - first));
}

void EntryListModel::blogRemoved(Blog* blog, int first, int last)
{
    const int index = blogIndex(blog);
    if (index < 0 || !m_pending) {
        reload();
        return;
    }
    const auto [from, to] = *m_pending;
    m_pending.reset();
    for (int row = from; row <= to; ++row)
        disconnect(m_rows[row].watch);
    m_rows.erase(m_rows.begin() + from, m_rows.begin() + to + 1);
    m_counts[index] -= last - first + 1;
    m_rowIndexDirty = true;
    endRemoveRows();
}

void EntryListModel::entryChanged(const Entry* entry)
{
    const int row = rowOf(entry);
    if (row < 0)
        return;
    emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
}

Entry* EntryListModel::entryAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row].entry.get() : nullptr;
}

EntryPtr EntryListModel::entryPtrAt(int row) const
{
    return row >= 0 && row < int(m_rows.size()) ? m_rows[row].entry : EntryPtr();
}

int EntryListModel::rowOf(const Entry* entry) const
{
    if (!entry)
        return -1;
    if (m_rowIndexDirty) {
        m_rowIndex.clear();
        m_rowIndex.reserve(qsizetype(m_rows.size()));
        // The first row wins, as a search from the top would find it.
        for (int row = int(m_rows.size()) - 1; row >= 0; --row)
            m_rowIndex.insert(m_rows[row].entry.get(), row);
        m_rowIndexDirty = false;
    }
    return m_rowIndex.value(entry, -1);
}

EntryListModel::Keys& EntryListModel::keysAt(int row) const
{
    const Row& at = m_rows[row];
    const quint64 changes = at.entry ? at.entry->changeCount() : 0;
    if (!at.keys || at.keys->changes != changes) {
        at.keys = std::make_unique<Keys>();
        at.keys->changes = changes;
    }
    return *at.keys;
}

const EntryListModel::SearchTexts& EntryListModel::searchTextsAt(int row) const
{
    static const SearchTexts none;
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[row].entry)
        return none;
    Keys& keys = keysAt(row);
    if (!keys.hasTexts) {
        const Entry& entry = *m_rows[row].entry;
        SearchTexts& texts = keys.texts;
        texts.title = entry.title().toLower();
        texts.body = entry.body().toLower();
        texts.extended = entry.extended().toLower();
        texts.summary = entry.summary().toLower();
        texts.keywords = entry.keywords().toLower();
        if (const auto categories = entry.categories()) {
            QStringList tags;
            for (const CategoryPtr& category : *categories) {
                if (category && category->isTag())
                    tags.append(category->title().toLower());
            }
            texts.tags = tags.join(QLatin1Char('\n'));
        }
        keys.hasTexts = true;
    }
    return keys.texts;
}

const QCollatorSortKey& EntryListModel::titleKeyAt(int row) const
{
    static const QCollatorSortKey none = collator().sortKey(QString());
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[row].entry)
        return none;
    Keys& keys = keysAt(row);
    if (!keys.title)
        keys.title = collator().sortKey(m_rows[row].entry->title());
    return *keys.title;
}

const QCollatorSortKey& EntryListModel::identifierKeyAt(int row) const
{
    static const QCollatorSortKey none = collator().sortKey(QString());
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[row].entry)
        return none;
    Keys& keys = keysAt(row);
    if (!keys.identifier)
        keys.identifier = collator().sortKey(m_rows[row].entry->uniqueID());
    return *keys.identifier;
}

qint64 EntryListModel::dateKeyAt(int row) const
{
    if (row < 0 || row >= int(m_rows.size()) || !m_rows[row].entry)
        return 0;
    Keys& keys = keysAt(row);
    if (!keys.date)
        keys.date = m_rows[row].entry->entryDate().toMSecsSinceEpoch();
    return *keys.date;
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    Entry* entry = entryAt(index.row());
    if (!entry)
        return {};
    if (role == EntryRole)
        return QVariant::fromValue(static_cast<void*>(entry));
    if (const QString tip = switchTooltip(*entry, role); !tip.isNull())
        return tip;
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

QStringList EntryListModel::mimeTypes() const
{
    return {QString::fromLatin1(DraftItemDrop::mimeType)};
}

QMimeData* EntryListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<Entry*> entries;
    QSet<int> rows;
    for (const QModelIndex& index : indexes) {
        if (!rows.contains(index.row()) && entryAt(index.row())) {
            rows.insert(index.row());
            entries.append(entryAt(index.row()));
        }
    }
    return entries.isEmpty() ? nullptr : DraftItemDrop::mimeDataFor(entries);
}

Qt::DropActions EntryListModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

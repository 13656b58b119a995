#include "EntryArrayController.h"

#include "Category.h"
#include "Entry.h"
#include "EntryListModel.h"
#include "EntryRenderer.h"
#include "Localization.h"
#include "NotificationCenter.h"
#include "PaletteColors.h"
#include "UserDefaults.h"

#include <QFont>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

namespace {

const char* const table = "EntryArrayController";

constexpr const char* colorKeys[] = {"local_color", "draft_color", "published_color",
                                     "edited_color", "deleted_color"};

QString keyForColumn(int column)
{
    switch (column) {
    case EntryListModel::TitleColumn:
        return QStringLiteral("title");
    case EntryListModel::DateColumn:
        return QStringLiteral("entryDate");
    default:
        return {};
    }
}

} // namespace

EntryArrayController::EntryArrayController(EntryListModel* entries, QObject* parent,
                                           UserDefaults* defaults)
    : QSortFilterProxyModel(parent), m_entries(entries),
      m_defaults(defaults ? *defaults : UserDefaults::sharedInstance())
{
    m_mode = searchModeFor(m_defaults.value(QString::fromLatin1(searchTypeKey)));
    reloadColors();
    setDynamicSortFilter(true);
    setSourceModel(entries);
    QSortFilterProxyModel::sort(0, Qt::AscendingOrder);

    NotificationCenter::sharedInstance().observe(QStringLiteral("labelChanged"), this,
                                                 [this](const Notification&) { reloadColors(); });
    connect(&m_defaults, &UserDefaults::changed, this, [this](const QString& key) {
        for (const char* color : colorKeys) {
            if (key == QLatin1String(color)) {
                reloadColors();
                return;
            }
        }
    });
}

EntryArrayController::~EntryArrayController() = default;

// --- filters -----------------------------------------------------------------------------------

int EntryArrayController::searchModeFor(const QVariant& stored)
{
    bool ok = false;
    const int mode = stored.toInt(&ok);
    if (ok && mode >= SearchAll && mode <= SearchTags)
        return mode;
    return SearchAll;
}

void EntryArrayController::setSearchMode(int mode)
{
    const int taken = searchModeFor(mode);
    m_defaults.setValue(QString::fromLatin1(searchTypeKey), taken);
    if (taken == m_mode)
        return;
    m_mode = taken;
    if (!m_needle.isEmpty())
        refilter(false);
}

void EntryArrayController::setSearchString(const QString& text)
{
    if (text == m_search)
        return;
    const QString needle = text.toLower();
    // Text that holds the old search text is found only where the old one was.
    const bool narrowing = needle.contains(m_needle);
    m_search = text;
    m_needle = needle;
    refilter(narrowing);
}

void EntryArrayController::setCategoryFilter(const QString& title)
{
    if (title == m_category)
        return;
    const bool narrowing = m_category.isEmpty();
    m_category = title;
    refilter(narrowing);
}

void EntryArrayController::refilter(bool narrowing)
{
    m_narrowing = narrowing;
    invalidateRowsFilter();
    m_narrowing = false;
}

bool EntryArrayController::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (sourceParent.isValid())
        return false;
    const Entry* entry = m_entries->entryAt(sourceRow);
    if (!entry)
        return false;
    // While narrowing, a row the last filter dropped stays dropped.
    if (m_narrowing && !mapFromSource(m_entries->index(sourceRow, 0)).isValid())
        return false;
    return passesCategory(*entry) && passesSearch(sourceRow);
}

bool EntryArrayController::passesCategory(const Entry& entry) const
{
    if (m_category.isEmpty())
        return true;
    const auto categories = entry.categories();
    if (!categories)
        return false;
    for (const CategoryPtr& category : *categories) {
        if (category && category->title() == m_category)
            return true;
    }
    return false;
}

bool EntryArrayController::passesSearch(int sourceRow) const
{
    if (m_needle.isEmpty())
        return true;
    const EntryListModel::SearchTexts& texts = m_entries->searchTextsAt(sourceRow);
    const auto has = [this](const QString& field) { return field.contains(m_needle); };
    switch (m_mode) {
    case SearchTitle:
        return has(texts.title);
    case SearchContents:
        return has(texts.body) || has(texts.extended) || has(texts.summary) || has(texts.keywords);
    case SearchTags:
        return has(texts.keywords) || has(texts.tags);
    default:
        return has(texts.title) || has(texts.body) || has(texts.extended) || has(texts.summary) ||
               has(texts.keywords);
    }
}

// --- order -------------------------------------------------------------------------------------

void EntryArrayController::setSortDescriptors(const QList<EntrySorting::Descriptor>& descriptors)
{
    m_descriptors = descriptors;
    // Sorting by the same column again would be taken for no change.
    invalidate();
    emit sortDescriptorsChanged();
}

void EntryArrayController::sort(int column, Qt::SortOrder order)
{
    const QString key = keyForColumn(column);
    if (key.isEmpty())
        return;
    QList<EntrySorting::Descriptor> descriptors{{key, order == Qt::AscendingOrder}};
    for (const auto& d : std::as_const(m_descriptors)) {
        if (d.key != key)
            descriptors.append(d);
    }
    setSortDescriptors(descriptors);
}

int EntryArrayController::sortColumn() const
{
    if (m_descriptors.isEmpty())
        return -1;
    const QString& key = m_descriptors.first().key;
    if (key == QLatin1String("title"))
        return EntryListModel::TitleColumn;
    if (key == QLatin1String("entryDate"))
        return EntryListModel::DateColumn;
    return -1;
}

Qt::SortOrder EntryArrayController::sortOrder() const
{
    return m_descriptors.isEmpty() || m_descriptors.first().ascending ? Qt::AscendingOrder
                                                                      : Qt::DescendingOrder;
}

bool EntryArrayController::lessThan(const QModelIndex& left, const QModelIndex& right) const
{
    const int a = left.row();
    const int b = right.row();
    for (const EntrySorting::Descriptor& d : m_descriptors) {
        int order = 0;
        if (d.key == QLatin1String("entryDate")) {
            const qint64 da = m_entries->dateKeyAt(a), db = m_entries->dateKeyAt(b);
            order = da < db ? -1 : db < da ? 1 : 0;
        } else if (d.key == QLatin1String("title")) {
            order = m_entries->titleKeyAt(a).compare(m_entries->titleKeyAt(b));
        } else if (d.key == QLatin1String("uniqueID")) {
            order = m_entries->identifierKeyAt(a).compare(m_entries->identifierKeyAt(b));
        }
        if (order != 0)
            return d.ascending ? order < 0 : order > 0;
    }
    return false;
}

// --- rows --------------------------------------------------------------------------------------

Entry* EntryArrayController::itemAtRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    return m_entries->entryAt(mapToSource(index(row, 0)).row());
}

EntryPtr EntryArrayController::entryPtrAtRow(int row) const
{
    if (row < 0 || row >= rowCount())
        return {};
    return m_entries->entryPtrAt(mapToSource(index(row, 0)).row());
}

int EntryArrayController::rowOfEntry(const Entry* entry) const
{
    const int source = m_entries->rowOf(entry);
    if (source < 0)
        return -1;
    return mapFromSource(m_entries->index(source, 0)).row();
}

QString EntryArrayController::entryCountString() const
{
    return rowCount() == 1 ? localized(table, " item") : localized(table, " items");
}

void EntryArrayController::reloadColors()
{
    const auto read = [this](const char* key, const QColor& fallback) {
        const rv::Color stored =
            m_defaults.color(QString::fromLatin1(key), rv::Color::fromQColor(fallback));
        return stored.toQColor();
    };
    m_local = read("local_color", QColor::fromRgbF(0.11f, 1.0f, 0.42f, 0.2f));
    m_draft = read("draft_color", QColor::fromRgbF(0.36f, 0.83f, 1.0f, 0.2f));
    // Clear by default: the list's own base shows, light or dark.
    m_published = read("published_color", QColor(255, 255, 255, 0));
    // Text is drawn opaque: a faint text colour would leave the title unreadable.
    m_edited = read("edited_color", QColor::fromRgbF(0.9f, 0.2f, 0.2f));
    m_edited.setAlphaF(1.0f);
    m_deleted = read("deleted_color", QColor::fromRgbF(1.0f, 0.45f, 0.46f));
    m_deleted.setAlphaF(1.0f);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole});
}

QColor EntryArrayController::backgroundColor(int flag) const
{
    if (flag & Entry::LocalOnly)
        return m_local;
    if (flag & Entry::SendAsDraft)
        return m_draft;
    return m_published;
}

QColor EntryArrayController::textColor(int flag) const
{
    if (flag & Entry::ChangedLocally)
        return m_edited;
    if (flag & Entry::BeingDeleted)
        return m_deleted;
    return Qt::black;
}

QVariant EntryArrayController::data(const QModelIndex& index, int role) const
{
    switch (role) {
    case Qt::BackgroundRole:
    case Qt::ForegroundRole:
    case Qt::FontRole: {
        const Entry* entry = itemAtRow(index.row());
        if (!entry || !index.isValid())
            return {};
        const int flag = entry->flag();
        if (role == Qt::BackgroundRole)
            return backgroundColor(flag);
        if (role == Qt::ForegroundRole) {
            const QPalette palette = QGuiApplication::palette();
            const QColor ground =
                PaletteColors::over(backgroundColor(flag), palette.color(QPalette::Base));
            if (!(flag & (Entry::ChangedLocally | Entry::BeingDeleted)))
                return PaletteColors::readableOn(ground, palette.color(QPalette::Text));
            // The colour says what happened to the entry. Chosen for a light
            // list, it may not read on a dark one: there it is made lighter,
            // keeping its hue.
            return PaletteColors::isDark(palette)
                       ? PaletteColors::readableVariant(textColor(flag), ground)
                       : textColor(flag);
        }
        if (!(flag & Entry::IsPage))
            return {};
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    default:
        return QSortFilterProxyModel::data(index, role);
    }
}

QStringList EntryArrayController::mimeTypes() const
{
    return m_entries->mimeTypes() << QStringLiteral("text/uri-list")
                                  << QStringLiteral("text/plain");
}

QMimeData* EntryArrayController::mimeData(const QModelIndexList& indexes) const
{
    // Row order, so that each blog's entries are listed as they are shown.
    QModelIndexList rows = indexes;
    std::stable_sort(rows.begin(), rows.end(),
                     [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QModelIndexList sources;
    for (const QModelIndex& index : std::as_const(rows)) {
        const QModelIndex source = mapToSource(index);
        if (source.isValid() && m_entries->entryAt(source.row()))
            sources.append(source);
    }
    QMimeData* data = m_entries->mimeData(sources);
    if (!data)
        return nullptr;
    Entry* first = m_entries->entryAt(sources.first().row());
    data->setUrls({QUrl(EntryRenderer(*first).blogpostURL())});
    data->setText(first->title());
    return data;
}

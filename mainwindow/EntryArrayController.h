#pragma once

#include "Color.h"
#include "EntrySorting.h"
#include "ModelTypes.h"

#include <QColor>
#include <QSortFilterProxyModel>

class Entry;
class EntryListModel;
class UserDefaults;

// The entries table's arrangement of the selected blogs' entries: the
// category filter, the search, the order, and each row's look.
//
// - Category filter: only entries with a category or tag of exactly that
//   title are kept (an entry without categories goes).
// - Search: a lower-case substring test over the fields of the search mode;
//   typing on narrows the rows already kept instead of testing all again.
// - Order: the sort descriptors, titles and identifiers by the collator
//   (letter case ignored, numbers by value), dates by time.
// - Look: the background says where the entry stands (local only, draft on
//   the server, published), the text whether it changed locally or is being
//   deleted, pages are bold.
// - Drag: the entries' payload for a blog of the outline, the first entry's
//   "x-blogpost:" address and its title.
class EntryArrayController : public QSortFilterProxyModel {
    Q_OBJECT
public:
    // The search modes, as the tags of their menu items.
    enum SearchMode {
        SearchAll = 6901,
        SearchTitle = 6902,
        SearchContents = 6903,
        SearchTags = 6904
    };
    static constexpr auto searchTypeKey = "searchType";
    // The pop-up's items before the categories: "All" and a separator.
    static constexpr int firstCategoryItem = 2;

    explicit EntryArrayController(EntryListModel* entries, QObject* parent = nullptr,
                                  UserDefaults* defaults = nullptr);
    ~EntryArrayController() override;

    EntryListModel* entries() const { return m_entries; }

    // --- filters ---
    QString searchString() const { return m_search; }
    void setSearchString(const QString& text);
    int searchMode() const { return m_mode; }
    // Takes a mode and stores it under "searchType"; any other number means All.
    void setSearchMode(int mode);
    // The mode a stored "searchType" stands for: All unless it names one.
    static int searchModeFor(const QVariant& stored);
    // The exact title entries must carry; empty for none.
    QString categoryFilter() const { return m_category; }
    void setCategoryFilter(const QString& title);

    // --- order ---
    QList<EntrySorting::Descriptor> sortDescriptors() const { return m_descriptors; }
    void setSortDescriptors(const QList<EntrySorting::Descriptor>& descriptors);
    // A click on a column's header: that column's key first, in that direction.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    // The column and direction the first descriptor stands for (-1 for none).
    int sortColumn() const;
    Qt::SortOrder sortOrder() const;

    // --- rows ---
    // The arranged entry at the row, null outside.
    Entry* itemAtRow(int row) const;
    EntryPtr entryPtrAtRow(int row) const;
    int rowOfEntry(const Entry* entry) const;
    // " item" for exactly one arranged entry, else " items".
    QString entryCountString() const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    // The row colours as stored now; read again on "labelChanged".
    QColor backgroundColor(int flag) const;
    QColor textColor(int flag) const;

signals:
    // The sort descriptors changed (restored, or a click on a header).
    void sortDescriptorsChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    void refilter(bool narrowing);
    void reloadColors();
    bool passesCategory(const Entry& entry) const;
    bool passesSearch(int sourceRow) const;

    EntryListModel* m_entries;
    UserDefaults& m_defaults;
    QString m_search; // as typed
    QString m_needle; // lower-cased
    int m_mode = SearchAll;
    QString m_category;
    QList<EntrySorting::Descriptor> m_descriptors = EntrySorting::defaults();
    bool m_narrowing = false;
    QColor m_local, m_draft, m_published, m_edited, m_deleted;
};

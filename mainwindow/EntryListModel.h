#pragma once

#include "Blog.h"
#include "ModelTypes.h"

#include <QAbstractTableModel>
#include <QCollatorSortKey>
#include <QHash>
#include <QPointer>
#include <memory>
#include <optional>
#include <vector>

// The entries of the selected blogs as the list shows them: title and date
// (Today, Yesterday, or the short date, and the time), blog after blog in
// each blog's own order; the entries table arranges them (EntryArrayController).
//
// It follows the blogs row by row: an entry added or removed is one inserted
// or removed row, so views keep their selection, and a change of an entry's
// stored value is a change of its row. Rows drag as the entries' payload for
// a drop on a blog.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, DateColumn, ColumnCount };
    static constexpr int EntryRole = Qt::UserRole + 1;
    // What a click on each of the entry's switches would do, as their tool
    // tips say it: comments, trackbacks, draft or publish, notifications.
    static constexpr int CommentTooltipRole = Qt::UserRole + 2;
    static constexpr int TrackbackTooltipRole = Qt::UserRole + 3;
    static constexpr int DraftTooltipRole = Qt::UserRole + 4;
    static constexpr int NotifyTooltipRole = Qt::UserRole + 5;

    // The texts a search looks at, lower-cased; `tags` holds the titles of the
    // entry's tags, one to a line.
    struct SearchTexts {
        QString title, body, extended, summary, keywords, tags;
    };

    explicit EntryListModel(QObject* parent = nullptr);
    ~EntryListModel() override;

    // Follows these blogs' entries: the selected blog, or an account's blogs.
    void setBlogs(const QList<Blog*>& blogs);
    QList<Blog*> blogs() const;

    Entry* entryAt(int row) const;
    EntryPtr entryPtrAt(int row) const;
    int rowOf(const Entry* entry) const;

    // What arranging reads, made on first use after each change of the entry.
    const SearchTexts& searchTextsAt(int row) const;
    // Collation keys of the title and the identifier: letter case ignored,
    // numbers by value, by the user's locale.
    const QCollatorSortKey& titleKeyAt(int row) const;
    const QCollatorSortKey& identifierKeyAt(int row) const;
    // The entry's date as milliseconds since 1970.
    qint64 dateKeyAt(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

signals:
    // The followed blogs changed (setBlogs), or a followed blog's categories did.
    void blogsChanged();
    void categoriesChanged();

private:
    struct Keys;
    struct Row {
        EntryPtr entry;
        QMetaObject::Connection watch;
        mutable std::unique_ptr<Keys> keys;
    };

    void reload();
    void follow(Blog* blog);
    int blogIndex(const Blog* blog) const;
    int offsetOf(int blogIndex) const;
    Row makeRow(const EntryPtr& entry);
    void entryChanged(const Entry* entry);
    Keys& keysAt(int row) const;

    void blogAboutToInsert(Blog* blog, int first, int last);
    void blogInserted(Blog* blog, int first, int last);
    void blogAboutToRemove(Blog* blog, int first, int last);
    void blogRemoved(Blog* blog, int first, int last);

    QList<QPointer<Blog>> m_blogs;
    QList<const Blog*> m_blogAddresses; // to recognise a blog that is going
    QList<int> m_counts;                // rows of each followed blog
    QList<QMetaObject::Connection> m_watches;
    std::vector<Row> m_rows;
    mutable QHash<const Entry*, int> m_rowIndex;
    mutable bool m_rowIndexDirty = true;
    // A row change announced as about to happen, not yet done.
    std::optional<std::pair<int, int>> m_pending;
};

#pragma once

#include "Blog.h"
#include "EntrySorting.h"
#include "ModelTypes.h"

#include <QAbstractTableModel>
#include <QPointer>

// The entries of the selected blogs as the list shows them: title and date
// (Today, Yesterday, or the short date, and the time), in the order of the
// sort descriptors. Rows drag as the entries' payload for a drop on a blog.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { TitleColumn, DateColumn, ColumnCount };
    static constexpr int EntryRole = Qt::UserRole + 1;

    explicit EntryListModel(QObject* parent = nullptr);
    ~EntryListModel() override;

    // Follows these blogs' entries: the selected blog, or an account's blogs.
    void setBlogs(const QList<Blog*>& blogs);
    QList<Blog*> blogs() const;

    void setSortDescriptors(const QList<EntrySorting::Descriptor>& descriptors);
    QList<EntrySorting::Descriptor> sortDescriptors() const { return m_descriptors; }

    Entry* entryAt(int row) const;
    int rowOf(const Entry* entry) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    void sort(int column, Qt::SortOrder order) override;

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

private:
    void reload();

    QList<QPointer<Blog>> m_blogs;
    QList<QMetaObject::Connection> m_watches;
    QList<EntryPtr> m_entries;
    QList<EntrySorting::Descriptor> m_descriptors = EntrySorting::defaults();
};

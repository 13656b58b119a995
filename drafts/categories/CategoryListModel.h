// The rows of a draft's categories and tags list: a tick column and a name
// column over the draft's own Category copies, filtered by kind and by a
// typed prefix, sorted by title or by tick.
#pragma once

#include "ModelTypes.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class CategoryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { CheckColumn = 0, NameColumn = 1, ColumnCount = 2 };
    enum class SortKey { Title, Checked };
    struct SortOrder {
        SortKey key = SortKey::Title;
        bool ascending = true;
        bool operator==(const SortOrder&) const = default;
    };

    explicit CategoryListModel(QObject* parent = nullptr);
    ~CategoryListModel() override;

    // Every element, shown or not, in the order given.
    const CategoryList& content() const { return m_items; }
    void setContent(const CategoryList& categories);
    void append(const CategoryList& categories);
    void remove(const CategoryList& categories);
    // Titles changed behind the list's back: the title index is rebuilt.
    void reindex();

    // Which kinds are listed and the typed prefix (empty: no prefix). The
    // rows follow at the next rearrange().
    void setFilter(bool categories, bool tags, const QString& prefix);
    bool listsCategories() const { return m_listCategories; }
    bool listsTags() const { return m_listTags; }
    QString prefix() const { return m_prefix; }
    // Shows the listed elements whose title starts with the prefix, case
    // aside; when none is, the whole content.
    void rearrange();
    // Whether any element at all, listed or not, has a title starting with
    // `text`, case aside.
    bool anyTitleStartsWith(const QString& text) const;
    // Whether the element is of a listed kind.
    bool isListed(const Category& category) const;

    CategoryPtr at(int row) const;
    int rowOf(const CategoryPtr& category) const;

    SortOrder sortOrder() const { return m_sort; }
    void setSortOrder(const SortOrder& order);
    // A click on a column header: that column's order, then rearranged.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The note shown on an element's row (its tool tip, the name in
    // italics); none when the provider answers an empty text.
    void setNoteProvider(std::function<QString(const Category&)> provider)
    {
        m_noteFor = std::move(provider);
    }

    // The only element whose name can be edited (a new tag being named).
    void setEditable(const CategoryPtr& category);
    CategoryPtr editable() const { return m_editable; }

    // Redraws the element's row, or every row.
    void refresh(const CategoryPtr& category);
    void refreshAll();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

signals:
    // The user ticked or unticked the element (unticking ends its primary mark).
    void tickChanged(const CategoryPtr& category);
    // The name typed for the editable element; its title is left as it was.
    void nameCommitted(const CategoryPtr& category, const QString& name);
    // A header click changed the order.
    void sortOrderChanged();

private:
    void rebuildTitleIndex();
    bool titleLess(int a, int b) const;
    // The stretch of the title index whose folded titles start with `folded`.
    std::pair<std::vector<int>::const_iterator, std::vector<int>::const_iterator>
    prefixRange(const QString& folded) const;

    CategoryList m_items;
    // Folded title of each element, by position in m_items.
    std::vector<QString> m_folded;
    // Positions in m_items ordered by folded title, then title.
    std::vector<int> m_byTitle;
    // Positions in m_items of the rows shown, in row order, and back.
    std::vector<int> m_shown;
    std::vector<int> m_rowAt;
    QHash<const Category*, int> m_position;

    bool m_listCategories = true;
    bool m_listTags = true;
    QString m_prefix;
    QString m_foldedPrefix;
    SortOrder m_sort;
    CategoryPtr m_editable;
    std::function<QString(const Category&)> m_noteFor;
};

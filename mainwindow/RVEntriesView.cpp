#include "RVEntriesView.h"

#include "DragPicture.h"

#include <QDrag>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QPixmap>

RVEntriesView::RVEntriesView(QWidget* parent) : GradientTableView(parent)
{
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
}

QImage RVEntriesView::dragPicture(const QList<int>& rows) const
{
    QStringList titles;
    for (int row : rows) {
        // A row without an item draws nothing and takes no line.
        const QModelIndex index = model() ? model()->index(row, m_titleColumn) : QModelIndex();
        if (index.isValid())
            titles.append(index.data(Qt::DisplayRole).toString());
    }
    // The picture is as wide as the title column.
    return DragPicture::render(titles, verticalHeader()->defaultSectionSize(),
                               columnWidth(m_titleColumn) + 24, devicePixelRatioF());
}

void RVEntriesView::startDrag(Qt::DropActions supportedActions)
{
    if (!model() || !selectionModel())
        return;
    QModelIndexList selected = selectionModel()->selectedRows(m_titleColumn);
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    if (selected.isEmpty())
        return;
    QMimeData* data = model()->mimeData(selected);
    if (!data)
        return;
    QList<int> rows;
    for (const QModelIndex& index : std::as_const(selected))
        rows.append(index.row());
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(dragPicture(rows)));
    drag->setHotSpot(QPoint(0, 0));
    // The rows stay where they are: the blog that takes them moves the entries.
    drag->exec(supportedActions & (Qt::CopyAction | Qt::MoveAction), Qt::CopyAction);
}

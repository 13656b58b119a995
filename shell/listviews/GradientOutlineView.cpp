#include "GradientOutlineView.h"

#include "DragPicture.h"
#include "SelectionGradient.h"

#include <QDrag>
#include <QDragMoveEvent>
#include <QMimeData>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace {

QColor dropWash()
{
    static const QColor color = QColor::fromRgbF(0.58f, 0.74f, 0.87f, 0.42f);
    return color;
}

QColor dropFrame()
{
    static const QColor color = QColor::fromRgbF(0.58f, 0.74f, 0.87f, 1.0f);
    return color;
}

} // namespace

bool GradientOutlineView::DragState::moveTo(int row)
{
    const int previous = hoverRow;
    hoverRow = row;
    if (row == -1) {
        overEmptyArea = true;
        return true;
    }
    overEmptyArea = false;
    return previous < 0;
}

void GradientOutlineView::DragState::end()
{
    dragging = false;
    overEmptyArea = false;
}

GradientOutlineView::DragState& GradientOutlineView::dragState()
{
    static DragState state;
    return state;
}

GradientOutlineView::GradientOutlineView(QWidget* parent)
    : QTreeView(parent), m_selectionColor(palette().color(QPalette::Active, QPalette::Highlight))
{
    SelectionGradient::takeOverSelection(*this);
    useReadableTextOnSelection();
}

void GradientOutlineView::useReadableTextOnSelection()
{
    // White on a dark selection, black on a pale one (the blog outline's).
    const bool pale = SelectionGradient::dark(m_selectionColor).lightnessF() > 0.6f;
    QPalette colors = palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
        colors.setColor(group, QPalette::HighlightedText, pale ? Qt::black : Qt::white);
    setPalette(colors);
}

GradientOutlineView::~GradientOutlineView() = default;

void GradientOutlineView::setSelectionColor(const QColor& color)
{
    if (m_selectionColor == color)
        return;
    m_selectionColor = color;
    useReadableTextOnSelection();
    viewport()->update();
    emit selectionColorChanged(color);
}

QRect GradientOutlineView::rowRect(const QModelIndex& index) const
{
    const QRect cell = visualRect(index);
    return QRect(0, cell.top(), viewport()->width(), cell.height());
}

void GradientOutlineView::paintEvent(QPaintEvent* event)
{
    {
        QPainter painter(viewport());
        if (!dragState().dragging)
            SelectionGradient::paintSelection(painter, *this, m_selectionColor);
    }
    // The base finds the drop position; the view marks it in its own way.
    const bool indicator = showDropIndicator();
    setDropIndicatorShown(false);
    QTreeView::paintEvent(event);
    setDropIndicatorShown(indicator);

    QPainter painter(viewport());
    paintDropMark(painter);
    const DragState& drag = dragState();
    if (drag.dragging && drag.overEmptyArea && drag.hoverRow < 0 && viewport()->underMouse()) {
        QStyleOptionFocusRect ring;
        ring.initFrom(viewport());
        ring.rect = viewport()->rect();
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &ring, &painter, this);
    }
}

void GradientOutlineView::paintDropMark(QPainter& painter) const
{
    if (m_dropMark == DropMark::None || !m_dropIndex.isValid())
        return;
    const QRect row = rowRect(m_dropIndex);
    if (m_dropMark == DropMark::OnRow) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        painter.fillRect(row, dropWash());
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(dropFrame());
        painter.drawRect(row.adjusted(0, 0, -1, -1));
        return;
    }
    const int y = m_dropMark == DropMark::AboveRow ? row.top() : row.bottom() + 1;
    painter.fillRect(QRect(row.left(), y, row.width(), 2), QColor::fromRgbF(1, 0, 0, 1));
}

void GradientOutlineView::mousePressEvent(QMouseEvent* event)
{
    // The click that only brings the window forward, when first clicks are refused.
    if (SelectionGradient::swallowsFirstClick(m_acceptsFirstMouse)) {
        event->accept();
        return;
    }
    QTreeView::mousePressEvent(event);
}

void GradientOutlineView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    if (index.isValid() && selectionModel() && !selectionModel()->isSelected(index)) {
        selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                     QItemSelectionModel::Rows);
    }
    QTreeView::contextMenuEvent(event);
}

void GradientOutlineView::selectionChanged(const QItemSelection& selected,
                                           const QItemSelection& deselected)
{
    QTreeView::selectionChanged(selected, deselected);
    // Runs join and split: the whole view is drawn again.
    viewport()->update();
}

void GradientOutlineView::startDrag(Qt::DropActions supportedActions)
{
    QModelIndexList rows = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end(), [this](const QModelIndex& a, const QModelIndex& b) {
        return visualRect(a).top() < visualRect(b).top();
    });
    if (rows.isEmpty() || !model())
        return;
    QMimeData* data = model()->mimeData(rows);
    if (!data)
        return;
    QStringList titles;
    for (const QModelIndex& row : std::as_const(rows))
        titles.append(row.data(Qt::DisplayRole).toString());

    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    const qreal ratio = devicePixelRatioF();
    drag->setPixmap(QPixmap::fromImage(DragPicture::render(
        titles, qMax(1, visualRect(rows.first()).height()), viewport()->width(), ratio)));
    drag->setHotSpot(QPoint(0, 0)); // the picture hangs below and right of the mouse
    dragState().dragging = true;
    viewport()->update();
    QList<QPersistentModelIndex> dragged(rows.cbegin(), rows.cend());
    const Qt::DropAction done = drag->exec(supportedActions, defaultDropAction());
    dragState().end();
    clearDropMark();
    // As the base view does: rows moved elsewhere leave this model. Within
    // one view (InternalMove) the model has moved them itself.
    if (done == Qt::MoveAction && dragDropMode() != InternalMove) {
        for (auto it = dragged.crbegin(); it != dragged.crend(); ++it)
            if (it->isValid())
                model()->removeRow(it->row(), it->parent());
    }
    viewport()->update();
}

void GradientOutlineView::trackDrag(const QPoint& position)
{
    int row = -2;
    if (viewport()->rect().contains(position))
        row = indexAt(position).isValid() ? 0 : -1;
    if (dragState().moveTo(row))
        viewport()->update();
}

void GradientOutlineView::markDrop(const QPoint& position, bool accepted)
{
    DropMark mark = DropMark::None;
    const QModelIndex index = indexAt(position);
    if (accepted && index.isValid()) {
        switch (dropIndicatorPosition()) {
        case OnItem:
            mark = DropMark::OnRow;
            break;
        case AboveItem:
            mark = DropMark::AboveRow;
            break;
        case BelowItem:
            mark = DropMark::BelowRow;
            break;
        case OnViewport:
            break;
        }
    }
    if (mark != m_dropMark || index != m_dropIndex) {
        m_dropMark = mark;
        m_dropIndex = mark == DropMark::None ? QModelIndex() : index;
        viewport()->update();
    }
}

void GradientOutlineView::clearDropMark()
{
    if (m_dropMark == DropMark::None)
        return;
    m_dropMark = DropMark::None;
    m_dropIndex = QModelIndex();
    viewport()->update();
}

void GradientOutlineView::dragEnterEvent(QDragEnterEvent* event)
{
    QTreeView::dragEnterEvent(event);
    // A drag the outline refuses leaves no hover behind.
    if (!event->isAccepted())
        forgetDrag();
    else
        trackDrag(event->position().toPoint());
}

void GradientOutlineView::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeView::dragMoveEvent(event);
    trackDrag(event->position().toPoint());
    markDrop(event->position().toPoint(), event->isAccepted());
}

void GradientOutlineView::dragLeaveEvent(QDragLeaveEvent* event)
{
    QTreeView::dragLeaveEvent(event);
    forgetDrag();
}

void GradientOutlineView::forgetDrag()
{
    dragState().moveTo(-2);
    clearDropMark();
    viewport()->update();
}

void GradientOutlineView::dropEvent(QDropEvent* event)
{
    QTreeView::dropEvent(event);
    dragState().end();
    clearDropMark();
    viewport()->update();
}

#pragma once

#include <QColor>
#include <QPersistentModelIndex>
#include <QTreeView>

// An outline whose selection is a vertical gradient of a settable colour,
// with drop highlights of its own (a blue wash on a row, a red line between
// rows), a dark picture of the dragged rows, and, while rows are dragged, no
// selection drawn and a ring around the view when the mouse is over its empty
// part. The blog outline of the main window builds on it.
class GradientOutlineView : public QTreeView {
    Q_OBJECT
    Q_PROPERTY(QColor selectionColor READ selectionColor WRITE setSelectionColor NOTIFY
                   selectionColorChanged)
public:
    explicit GradientOutlineView(QWidget* parent = nullptr);
    ~GradientOutlineView() override;

    // The gradient's base colour; the palette's selection colour at first.
    QColor selectionColor() const { return m_selectionColor; }
    void setSelectionColor(const QColor& color);

    // With the flag set, a click that activates the window also acts only when
    // the program is already active; without it every click acts.
    bool acceptsFirstMouse() const { return m_acceptsFirstMouse; }
    void setAcceptsFirstMouse(bool accepts) { m_acceptsFirstMouse = accepts; }

    // The drag state every gradient outline shares: `dragging` is set only
    // by the outline whose rows are dragged, for as long as that drag lasts;
    // the others follow the mouse of any drag over them: the row under it
    // (−1 over empty space of the view, −2 outside it).
    struct DragState {
        bool dragging = false;
        bool overEmptyArea = false;
        int hoverRow = -1;
        // Moves the mouse to `row`; answers whether the view must be redrawn.
        bool moveTo(int row);
        void end();
    };
    static DragState& dragState();

    // Where a drop would go, as the view marks it: on a row, or between two
    // rows (above or below dropIndex()).
    enum class DropMark { None, OnRow, AboveRow, BelowRow };
    DropMark dropMark() const { return m_dropMark; }
    QModelIndex dropIndex() const { return m_dropIndex; }

signals:
    void selectionColorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void useReadableTextOnSelection();
    void trackDrag(const QPoint& position);
    // The drag left the view, or was refused: no hover, no drop mark.
    void forgetDrag();
    void markDrop(const QPoint& position, bool accepted);
    void clearDropMark();
    // The row of `index` across the whole width of the view.
    QRect rowRect(const QModelIndex& index) const;
    void paintDropMark(QPainter& painter) const;

    QColor m_selectionColor;
    bool m_acceptsFirstMouse = false;
    DropMark m_dropMark = DropMark::None;
    QPersistentModelIndex m_dropIndex;
};

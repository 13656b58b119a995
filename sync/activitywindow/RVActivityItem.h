#pragma once

#include <QColor>
#include <QStyledItemDelegate>

class ActivityItem;

// Draws one row of the Activity window, 50 points high: the status line, the
// progress bar (or, on an error row, the red error line), the sub-status line
// and the buttons: stop (clear on an error row) at the right, look-up on an
// error row at the left. The view tells it which button the mouse is over or
// pressing, and how far the moving bars have turned.
class RVActivityItem : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int rowHeight = 50;

    enum class Button { None, Stop, Lookup };
    enum class Look { Normal, Rollover, Pressed };

    explicit RVActivityItem(QObject* parent = nullptr);

    // The parts of a row (in the row's own rectangle, y downwards).
    static QRect statusRect(const QRect& row);
    static QRect progressRect(const QRect& row);
    static QRect stopButtonRect(const QRect& row);
    static QRect errorRect(const QRect& row);
    static QRect subStatusRect(const QRect& row);
    static QRect lookupButtonRect(const QRect& row);
    // The button under `point` in a row; the look-up button only on error rows.
    static Button buttonAt(const QRect& row, const QPoint& point, bool errorRow);

    // Rows at odd places show the list's base, the others this colour laid
    // over it (by default a faint wash of blue); a selected row takes the
    // palette's selection colour.
    QColor backgroundColor() const { return m_background; }
    void setBackgroundColor(const QColor& color) { m_background = color; }
    // The status line's colour: the palette's text unless set.
    QColor textColor() const { return m_text; }
    void setTextColor(const QColor& color) { m_text = color; }
    // What a row at `row` is filled with, over the palette's base.
    QColor groundOf(int row, bool selected, const QPalette& palette) const;

    void setHovered(int row, Button button, Look look);
    // Moves the stripes of the bars whose amount of work is unknown.
    void setPhase(int phase) { m_phase = phase; }

    // The width a status line needs: 240 at least, else its text and 100 more.
    static int requiredWidth(const QString& status);

    static QPixmap buttonImage(Button button, bool errorRow, Look look, qreal devicePixelRatio = 1);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void paintProgress(QPainter& painter, const QRect& bar, const QModelIndex& index,
                       const QColor& ground, const QColor& ink) const;

    QColor m_background;
    QColor m_text;
    int m_hoverRow = -1;
    Button m_hoverButton = Button::None;
    Look m_hoverLook = Look::Normal;
    int m_phase = 0;
};

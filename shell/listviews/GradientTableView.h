#pragma once

#include <QTableView>

// A table whose selection is the gradient of the palette's selection colour.
// Return and Enter on a table with rows trigger its double action (as a
// double click does); Backspace and Delete ask for removeRequested() when
// someone listens, and do nothing otherwise. The entries list builds on it.
class GradientTableView : public QTableView {
    Q_OBJECT
public:
    explicit GradientTableView(QWidget* parent = nullptr);
    ~GradientTableView() override;

    // The gradient's base: the palette's selection colour when the view was made.
    QColor selectionColor() const { return m_selectionColor; }

    // As GradientOutlineView: with the flag set, a click that activates the
    // window acts only when the program is already active.
    bool acceptsFirstMouse() const { return m_acceptsFirstMouse; }
    void setAcceptsFirstMouse(bool accepts) { m_acceptsFirstMouse = accepts; }

signals:
    // A double click on a row, or Return or Enter with rows.
    void doubleAction(GradientTableView* table);
    void removeRequested(GradientTableView* table);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void selectionChanged(const QItemSelection& selected,
                          const QItemSelection& deselected) override;

private:
    QColor m_selectionColor;
    bool m_acceptsFirstMouse = false;
};

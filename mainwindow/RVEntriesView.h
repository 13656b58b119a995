#pragma once

#include "GradientTableView.h"

// The entries list of the main window. Return and Enter open the selected
// entries, Backspace and Delete ask to remove them (both from
// GradientTableView). Dragged rows carry their entries to a blog of the
// outline under a dark picture of their titles; another program gets a copy.
class RVEntriesView : public GradientTableView {
    Q_OBJECT
public:
    explicit RVEntriesView(QWidget* parent = nullptr);

    // The column whose texts the drag picture lists, and whose width it takes.
    int titleColumn() const { return m_titleColumn; }
    void setTitleColumn(int column) { m_titleColumn = column; }

    // The picture for dragging these rows.
    QImage dragPicture(const QList<int>& rows) const;

protected:
    void startDrag(Qt::DropActions supportedActions) override;

private:
    int m_titleColumn = 0;
};

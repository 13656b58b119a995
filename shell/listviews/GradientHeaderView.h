#pragma once

#include <QHeaderView>

// A table header drawn by RVColumnHeaderCell from the table's background
// colour (the palette's base colour of the table's viewport).
class GradientHeaderView : public QHeaderView {
    Q_OBJECT
public:
    explicit GradientHeaderView(Qt::Orientation orientation, QWidget* parent = nullptr);

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};

#pragma once

#include <QColor>
#include <QRect>
#include <QString>

class QPainter;

// How a column header of our lists is drawn: a gradient made from a deeper
// shade of the table's background colour, a grey line on the left of every
// header wider than 20 points, the title in 11-point black (white on a dark
// table), and the sort arrow at the right (centred in narrow headers).
namespace RVColumnHeaderCell {

// The header's base colour for a table background (cached for the last one).
QColor baseColor(const QColor& tableBackground);

void drawInterior(QPainter& painter, const QRect& frame, const QString& title,
                  const QColor& tableBackground);

// Where the sort arrow of size `arrow` goes in the header `frame`.
QRect sortIndicatorRect(const QRect& frame, const QSize& arrow);
// The arrow in a dark grey, or a light one where the header is dark.
void drawSortIndicator(QPainter& painter, const QRect& frame, bool ascending,
                       const QColor& tableBackground);

} // namespace RVColumnHeaderCell

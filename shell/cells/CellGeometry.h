#pragma once

#include <QPainterPath>
#include <QRectF>
#include <QSizeF>

// Geometry shared by the list cells.
namespace CellGeometry {

// Which part of a label strip a column holds.
enum class LabelPart { Left = 1, Right = 2, Middle = 0 };

// The drawing rectangle, shortened so that text ends 1 point inside the
// visible edge when the cell reaches past it.
QRectF visibleDrawingRect(const QRectF& frame, const QRectF& visible);

// The coloured label shape: a half circle closing the left or right end,
// overlapping neighbouring columns by 1 and 2 points so no gaps show.
QPainterPath labelShape(const QRectF& drawing, LabelPart part);

// Where a label's text goes: 5 points in from a rounded end.
QRectF labelTextRect(const QRectF& drawing, LabelPart part);

// A cell with an image on its left: the image's frame, 3 points in and
// vertically centred (rounded up); empty without an image.
QRectF imageFrame(const QRectF& cell, const QSizeF& image);
// Width the image and its margin take (3 points without an image).
qreal imageColumnWidth(const QSizeF& image);

} // namespace CellGeometry

#pragma once

#include <QImage>
#include <QStringList>

// The picture that follows the mouse while rows of an outline are dragged:
// a dark, rounded, see-through panel listing their titles, at most ten, with
// a last line "and %d more..." for the rest.
namespace DragPicture {

// The lines shown for these titles.
QStringList lines(const QStringList& titles);

// The picture for rows `rowHeight` high in a view `viewWidth` wide: as wide
// as the view less 24, one line of rowHeight + 4 per title, 8 more in height.
QImage render(const QStringList& titles, int rowHeight, int viewWidth, qreal devicePixelRatio = 1);

} // namespace DragPicture

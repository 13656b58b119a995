#pragma once

#include <QColor>
#include <QList>
#include <QRect>

class QAbstractItemView;
class QPainter;

// The selection of our lists: a vertical gradient from a light to a dark
// shade of one base colour, under a 1-point line of the base colour, drawn
// once over each run of adjacent selected rows.
namespace SelectionGradient {

// The top of the gradient: saturation −0.12, brightness +0.3.
QColor light(const QColor& base);
// The bottom: saturation +0.12 (none for a grey), brightness −0.045.
QColor dark(const QColor& base);
// A deeper shade of a background colour, for a selection or a header on it:
// saturation +0.2 (none for a grey), brightness −0.065.
QColor deepened(const QColor& color);
// The grey of the same brightness, for a window that is not the active one.
QColor grey(const QColor& color);

// Joins row rectangles (in any order) into runs of rows that touch.
QList<QRect> runs(QList<QRect> rows);

// Paints one run: the base colour's top line, the gradient below it. With
// `active` false, every colour is drawn as its grey.
void paintRun(QPainter& painter, const QRect& run, const QColor& base, bool active);

// Paints the selected rows of `view` (full width of its viewport).
void paintSelection(QPainter& painter, const QAbstractItemView& view, const QColor& base);

// Makes `view` leave its selection to paintSelection(): an opaque viewport,
// whole rows selected, and the style's own highlight see-through.
void takeOverSelection(QAbstractItemView& view);

// Whether a click that only activates the window is to be swallowed: with
// `acceptsFirstMouse` set, first clicks act only when the program is active.
bool swallowsFirstClick(bool acceptsFirstMouse);

} // namespace SelectionGradient

#pragma once

#include <QFont>

// The desktop's general font at a size given in points of 1/72 inch as the
// list and row layouts count them (an 11-point status line is 11 pixels high
// on a standard screen), so rows laid out to the point keep their proportions.
QFont systemFontOfSize(qreal points);

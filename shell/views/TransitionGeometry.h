#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// The geometry of the view transitions, in the coordinates the effects are
// specified in: origin at the bottom left of the canvas, y pointing up. The
// painter turns it into Qt's top-down coordinates with toTopDown().
namespace views {

// The four corners a perspective transform maps a picture's corners to.
struct Quad {
    QPointF topLeft, topRight, bottomRight, bottomLeft;
};

// Projects the picture's right edge at (px1, pz1) and left edge at (px2, pz2)
// onto the canvas seen from `dist` before it; `width` and `height` are half the
// canvas (its centre).
Quad perspectiveCorners(double px1, double pz1, double px2, double pz2, double dist, double width,
                        double height);

// The flip at eased time t (0..1): the face turns about the vertical middle
// line. From t > 0.5 on the final picture shows, its edges swapped so that it
// reads the right way round.
Quad flipFace(double t, double direction, const QSizeF& canvas);

// The two faces of the cube at eased time t: the initial picture's face and
// the final picture's, turning about a vertical axis behind the canvas.
// `halfWidth` is half the width of the rectangle drawn into.
struct CubeFaces {
    Quad initial, final;
};
CubeFaces cubeFaces(double t, double direction, const QSizeF& canvas, double halfWidth);

// A face seen from behind (its right edge left of its left edge) is hidden
// by the rest of the cube.
bool facesViewer(const Quad& quad);

// The swipe: a soft band of `bandWidth` sweeping along `angle` across
// `extent`, the final picture behind it and the initial ahead. Answers how much
// of the final picture shows (0..1) at a point of the canvas.
struct SwipeBand {
    QRectF extent{0, 0, 300, 300}; // the effect's default extent
    double angle = 0;
    double bandWidth = 300;
};
double swipeFinalShare(const SwipeBand& swipe, double t, const QPointF& point);

// The same point in Qt's coordinates for a canvas `height` high.
inline QPointF toTopDown(const QPointF& point, double height)
{
    return {point.x(), height - point.y()};
}

} // namespace views

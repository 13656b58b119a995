#include "TransitionGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace views {

Quad perspectiveCorners(double px1, double pz1, double px2, double pz2, double dist, double width,
                        double height)
{
    Quad quad;
    quad.topRight = {dist * px1 / pz1 + width, height + dist * height / pz1};
    quad.bottomRight = {dist * px1 / pz1 + width, height - dist * height / pz1};
    quad.topLeft = {dist * px2 / pz2 + width, height + dist * height / pz2};
    quad.bottomLeft = {dist * px2 / pz2 + width, height - dist * height / pz2};
    return quad;
}

Quad flipFace(double t, double direction, const QSizeF& canvas)
{
    const double cx = canvas.width() / 2, cy = canvas.height() / 2;
    const double dist = 5 * cx;
    const double a = direction * std::numbers::pi * t;
    double px1 = cx * std::cos(a), pz1 = dist + cx * std::sin(a);
    double px2 = -cx * std::cos(a), pz2 = dist - cx * std::sin(a);
    if (t > 0.5) {
        std::swap(px1, px2);
        std::swap(pz1, pz2);
    }
    return perspectiveCorners(px1, pz1, px2, pz2, dist, cx, cy);
}

CubeFaces cubeFaces(double t, double direction, const QSizeF& canvas, double halfWidth)
{
    const double cx = canvas.width() / 2, cy = canvas.height() / 2;
    const double dist = 5 * cx;
    const double a = halfWidth;
    const double r = std::sqrt(cx * cx + a * a);
    const double z0 = a + dist;
    // Angles in single precision, as the effect computes them.
    const float theta = float(-direction * (std::numbers::pi / 2) * t);
    auto face = [&](float phi1, float phi2) {
        return perspectiveCorners(r * std::cos(phi1), z0 - r * std::sin(phi1), r * std::cos(phi2),
                                  z0 - r * std::sin(phi2), dist, cx, cy);
    };
    const float phi1 = float(std::asin(a / r) + theta);
    const float phi2 = float(theta + std::acos(a / r) + std::numbers::pi / 2);
    const float quarter = float(direction * std::numbers::pi / 2);
    return {face(phi1, phi2), face(float(phi1 + quarter), float(phi2 + quarter))};
}

bool facesViewer(const Quad& quad)
{
    return quad.topRight.x() > quad.topLeft.x();
}

double swipeFinalShare(const SwipeBand& swipe, double t, const QPointF& point)
{
    const double dx = std::cos(swipe.angle), dy = std::sin(swipe.angle);
    auto along = [&](const QPointF& p) { return p.x() * dx + p.y() * dy; };
    const QRectF& e = swipe.extent;
    const double corners[] = {along(e.topLeft()), along(e.topRight()), along(e.bottomLeft()),
                              along(e.bottomRight())};
    const double low = *std::min_element(std::begin(corners), std::end(corners));
    const double high = *std::max_element(std::begin(corners), std::end(corners));
    // The band's leading edge starts at the extent's near side and travels until
    // its trailing edge has left the far side.
    const double lead = low + t * (high - low + swipe.bandWidth);
    const double behind = lead - along(point);
    if (swipe.bandWidth <= 0)
        return behind >= 0 ? 1.0 : 0.0;
    return std::clamp(behind / swipe.bandWidth, 0.0, 1.0);
}

} // namespace views

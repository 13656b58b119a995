#include "TransitionPainter.h"

#include "TransitionGeometry.h"

#include <QPainter>
#include <QPolygonF>
#include <QTransform>

namespace views {

namespace {

QImage scaled(const QImage& picture, double factor, const QSizeF& canvas)
{
    QImage result(canvas.toSize(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.setOpacity(factor);
    p.drawImage(QRectF(QPointF(), canvas), picture);
    return result;
}

void paintDissolve(QPainter& painter, double t, const QImage& initial, const QImage& final,
                   const QSizeF& canvas)
{
    // initial·(1 - t) + final·t, alpha included: the second picture is added
    // to the first, not laid over it.
    QImage mix = scaled(initial, 1 - t, canvas);
    {
        QPainter p(&mix);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.drawImage(QPointF(), scaled(final, t, canvas));
    }
    painter.drawImage(QPointF(), mix);
}

QImage premultiplied(const QImage& image, const QSize& size)
{
    QImage converted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (converted.size() != size)
        converted = converted.scaled(size);
    return converted;
}

void paintSwipe(QPainter& painter, double t, const QImage& initial, const QImage& final,
                const QSizeF& canvas)
{
    const QSize size = canvas.toSize();
    const QImage from = premultiplied(initial, size), to = premultiplied(final, size);
    QImage frame(size, QImage::Format_ARGB32_Premultiplied);
    const SwipeBand swipe;
    for (int y = 0; y < size.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(from.constScanLine(y));
        const auto* b = reinterpret_cast<const QRgb*>(to.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(frame.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            // The pixel's centre, bottom-up.
            const double share =
                swipeFinalShare(swipe, t, QPointF(x + 0.5, size.height() - y - 0.5));
            auto mix = [share](int p, int q) { return int(p + (q - p) * share + 0.5); };
            out[x] = qRgba(mix(qRed(a[x]), qRed(b[x])), mix(qGreen(a[x]), qGreen(b[x])),
                           mix(qBlue(a[x]), qBlue(b[x])), mix(qAlpha(a[x]), qAlpha(b[x])));
        }
    }
    painter.drawImage(QPointF(), frame);
}

void paintFace(QPainter& painter, const Quad& quad, const QImage& picture, const QSizeF& canvas)
{
    if (picture.isNull())
        return;
    const double h = canvas.height();
    const QPolygonF to{toTopDown(quad.topLeft, h), toTopDown(quad.topRight, h),
                       toTopDown(quad.bottomRight, h), toTopDown(quad.bottomLeft, h)};
    const QPolygonF from{QPointF(0, 0), QPointF(canvas.width(), 0), QPointF(canvas.width(), h),
                         QPointF(0, h)};
    QTransform transform;
    if (!QTransform::quadToQuad(from, to, transform))
        return; // edge-on: nothing to see
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(transform, true);
    painter.drawImage(QRectF(QPointF(), canvas), picture);
    painter.restore();
}

} // namespace

bool isTransitionStyle(int style)
{
    return style >= CopyMachine && style <= ZoomDissolve;
}

bool dissolvesInstead(int style)
{
    return isTransitionStyle(style) && style != Dissolve && style != Swipe && style != Flip &&
           style != Cube;
}

void paintTransitionFrame(QPainter& painter, int style, double t, double direction,
                          const QImage& initial, const QImage& final, const QSizeF& canvas)
{
    if (!isTransitionStyle(style))
        return;
    switch (style) {
    case Swipe:
        paintSwipe(painter, t, initial, final, canvas);
        break;
    case Flip:
        paintFace(painter, flipFace(t, direction, canvas), t > 0.5 ? final : initial, canvas);
        break;
    case Cube: {
        const CubeFaces faces = cubeFaces(t, direction, canvas, canvas.width() / 2);
        // A face seen from behind lies inside the cube, hidden by the other.
        if (facesViewer(faces.initial))
            paintFace(painter, faces.initial, initial, canvas);
        if (facesViewer(faces.final))
            paintFace(painter, faces.final, final, canvas);
        break;
    }
    default:
        paintDissolve(painter, t, initial, final, canvas);
        break;
    }
}

QImage transitionFrame(int style, double t, double direction, const QImage& initial,
                       const QImage& final, const QSize& canvas)
{
    QImage frame(canvas, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    paintTransitionFrame(painter, style, t, direction, initial, final, QSizeF(canvas));
    return frame;
}

} // namespace views

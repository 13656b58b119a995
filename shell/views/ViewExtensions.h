#pragma once

#include <QImage>

class QWidget;

namespace views {

// Something that paints the background a transition's pictures are taken on
// (the animated tab view with its background switched on).
class TransitionBackground {
public:
    virtual ~TransitionBackground() = default;
    virtual void drawBackground(class QPainter& painter, const QRect& rect) = 0;
};

// A picture of `view` the size of `canvas`, the transition's host: the
// canvas's background (when it draws one) under the view's own picture, placed
// at the view's position in its parent. Transparent elsewhere. The caller owns
// the picture.
QImage createCoreImage(QWidget* view, QWidget* canvas);

} // namespace views

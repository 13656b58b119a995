#include "ViewExtensions.h"

#include <QPainter>
#include <QWidget>

namespace views {

QImage createCoreImage(QWidget* view, QWidget* canvas)
{
    if (!view || !canvas)
        return {};
    const qreal ratio = canvas->devicePixelRatioF();
    QImage picture(canvas->size() * ratio, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    if (auto* background = dynamic_cast<TransitionBackground*>(canvas))
        background->drawBackground(painter, view->geometry());
    // The view as it paints itself: a background of its own only when it fills one,
    // as the window's background shows through everywhere else.
    QWidget::RenderFlags flags = QWidget::DrawChildren;
    if (view->autoFillBackground())
        flags |= QWidget::DrawWindowBackground;
    view->render(&painter, view->pos(), QRegion(), flags);
    return picture;
}

} // namespace views

#include "CoverPicture.h"

#include <QPainter>
#include <QSvgRenderer>

namespace views {

QImage coverPicture()
{
    static const QImage picture = [] {
        QImage image(256, 256, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QSvgRenderer renderer(QStringLiteral(":/plumet/views/plumet256.svg"));
        QPainter painter(&image);
        renderer.render(&painter);
        return image;
    }();
    return picture;
}

} // namespace views

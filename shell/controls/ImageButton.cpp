#include "ImageButton.h"

#include <QPainter>

ImageButton::ImageButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus); // answers the first click, even in an inactive window
}

void ImageButton::setImages(const QPixmap& normal, const QPixmap& pressed, const QPixmap& disabled)
{
    m_imageNormal = normal;
    m_imagePressed = pressed.isNull() ? normal : pressed;
    m_imageDisabled = disabled.isNull() && !text().isEmpty()
                          ? QPixmap(QStringLiteral(":/images/%1").arg(text()))
                          : disabled;
    updateGeometry();
    update();
}

const QPixmap& ImageButton::currentImage() const
{
    if (!isEnabled())
        return m_imageDisabled;
    return isDown() ? m_imagePressed : m_imageNormal;
}

QSize ImageButton::sizeHint() const
{
    return m_imageNormal.isNull() ? QSize(16, 16) : m_imageNormal.deviceIndependentSize().toSize();
}

void ImageButton::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPixmap& image = currentImage();
    if (!image.isNull())
        painter.drawPixmap(rect(), image);
}

#include "FramedWebView.h"

#include <QPainter>
#include <QVBoxLayout>

FramedWebView::FramedWebView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
}

QColor FramedWebView::frameColor()
{
    static const QColor color = QColor::fromRgbF(0.6235f, 0.6235f, 0.6235f, 1.0f);
    return color;
}

void FramedWebView::setContent(QWidget* content)
{
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void FramedWebView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(frameColor());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

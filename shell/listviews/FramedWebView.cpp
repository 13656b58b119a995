#include "FramedWebView.h"

#include <QPainter>
#include <QVBoxLayout>

FramedWebView::FramedWebView(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
}

QColor FramedWebView::frameColor(const QPalette& palette)
{
    return palette.color(QPalette::Mid);
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
    painter.setPen(frameColor(palette()));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

#include "WPPluginView.h"

#include <QPaintEvent>
#include <QPainter>

WPPluginView::WPPluginView(QWidget* parent) : QWidget(parent) {}

void WPPluginView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), QColor::fromRgbF(0.98f, 0.98f, 0.98f, 1.0f));
}

#include "WPPluginView.h"

#include <QPaintEvent>
#include <QPainter>

WPPluginView::WPPluginView(QWidget* parent) : QWidget(parent) {}

void WPPluginView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    // The palette's window, so the panel's labels read on it, light or dark.
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
}

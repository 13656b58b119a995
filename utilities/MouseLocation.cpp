#include "MouseLocation.h"

#include <QCursor>
#include <QGuiApplication>
#include <QWindow>

namespace {

QWindow* mainWindow()
{
    if (QWindow* focused = QGuiApplication::focusWindow())
        return focused;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && !window->transientParent())
            return window;
    }
    return nullptr;
}

} // namespace

RVPoint getMouseLocation(RVPoint* location)
{
    RVPoint point{0.0, 0.0};
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        QPoint position = QCursor::pos();
        if (const QWindow* window = mainWindow())
            position = window->mapFromGlobal(position);
        point = RVPoint{double(position.x()), double(position.y())};
    }
    if (location)
        *location = point;
    return point;
}

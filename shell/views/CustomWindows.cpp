#include "CustomWindows.h"

RVClearWindow::RVClearWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void RVClearWindow::setAllowKey(bool allow)
{
    if (allow == m_allowKey)
        return;
    m_allowKey = allow;
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowDoesNotAcceptFocus, !allow);
    setAttribute(Qt::WA_ShowWithoutActivating, !allow);
    // Changing a window's flags hides it.
    if (shown)
        show();
}

VeryPlainWindow::VeryPlainWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint |
                          Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                          Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setMouseTracking(false);
}

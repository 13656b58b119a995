#include "RVAnimTabView.h"

#include "Transition.h"
#include "TransitionPainter.h"

#include <QPaintEvent>
#include <QPainter>

RVAnimTabView::RVAnimTabView(QWidget* parent)
    : QStackedWidget(parent), m_transition(new Transition(this))
{
}

void RVAnimTabView::setBackground(bool on)
{
    m_background = on;
    repaint();
}

void RVAnimTabView::setBgColor(const QColor& color)
{
    m_bgColor = color;
    update();
}

void RVAnimTabView::drawBackground(QPainter& painter, const QRect& rect)
{
    if (m_background)
        painter.fillRect(rect, bgColor());
}

void RVAnimTabView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    if (m_transition->isAnimating()) {
        m_transition->draw(painter, QRectF(QPointF(), QSizeF(size())));
        return;
    }
    QRect area = event->rect();
    if (QWidget* page = currentWidget())
        area &= page->geometry();
    drawBackground(painter, area);
}

void RVAnimTabView::selectTabViewItemAt(int index)
{
    selectTabViewItem(widget(index));
}

void RVAnimTabView::selectTabViewItem(QWidget* page)
{
    if (!page || indexOf(page) < 0)
        return;
    QWidget* old = currentWidget();
    if (page == old || !views::isTransitionStyle(m_transitionStyle)) {
        setCurrentWidget(page);
        return;
    }
    m_transition->setStyle(m_transitionStyle, 1.0);
    m_transition->setInitialView(old);
    setCurrentWidget(page);
    m_transition->setFinalView(page);
    // While the effect plays the view paints it; no page may cover it.
    page->hide();
    m_transition->start();
    page->show();
    update();
}

#include "RVAnimView.h"

#include "Transition.h"

#include <QPainter>

RVAnimView::RVAnimView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void RVAnimView::prepareAnimation(QWidget* startView, QWidget* endView, int style)
{
    if (!m_transition)
        m_transition = new Transition(this);
    m_transition->setStyle(style, 1.0);
    m_transition->setInitialView(startView);
    m_transition->setFinalView(endView);
    if (endView)
        setGeometry(endView->geometry());
}

void RVAnimView::startAnimation()
{
    if (m_transition)
        m_transition->start();
}

void RVAnimView::paintEvent(QPaintEvent*)
{
    if (!m_transition || !m_transition->isAnimating())
        return; // transparent
    QPainter painter(this);
    m_transition->draw(painter, QRectF(rect()));
}

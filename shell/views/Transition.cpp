#include "Transition.h"

#include "TransitionPainter.h"
#include "ViewExtensions.h"

#include <QEasingCurve>
#include <QElapsedTimer>
#include <QPainter>
#include <QThread>
#include <QWidget>
#include <algorithm>

namespace {

// About sixty frames a second.
constexpr int FrameMs = 16;

} // namespace

Transition::Transition(QWidget* host) : QObject(host), m_host(host) {}

Transition::~Transition() = default;

void Transition::setStyle(int style, double direction)
{
    m_style = style;
    m_direction = direction;
}

void Transition::setInitialView(QWidget* view)
{
    m_initialImage = views::createCoreImage(view, m_host);
}

void Transition::setFinalView(QWidget* view)
{
    m_finalImage = views::createCoreImage(view, m_host);
}

double Transition::eased(double linear)
{
    // The usual ease-in-out timing: a cubic Bézier through (0.42, 0) and (0.58, 1).
    static const QEasingCurve curve = [] {
        QEasingCurve c(QEasingCurve::BezierSpline);
        c.addCubicBezierSegment(QPointF(0.42, 0), QPointF(0.58, 1), QPointF(1, 1));
        return c;
    }();
    return curve.valueForProgress(std::clamp(linear, 0.0, 1.0));
}

void Transition::start()
{
    if (!views::isTransitionStyle(m_style) || !m_host)
        return;
    m_animating = true;
    m_progress = 0;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const double linear = double(clock.elapsed()) / DurationMs;
        m_progress = eased(linear);
        if (!m_host)
            break;
        m_host->repaint();
        if (linear >= 1.0)
            break;
        const qint64 next = (clock.elapsed() / FrameMs + 1) * FrameMs;
        QThread::msleep(ulong(std::clamp<qint64>(next - clock.elapsed(), 1, FrameMs)));
    }
    m_animating = false;
    reset();
}

void Transition::draw(QPainter& painter, const QRectF& rect) const
{
    if (!m_host)
        return;
    painter.save();
    painter.translate(rect.topLeft());
    views::paintTransitionFrame(painter, m_style, m_progress, m_direction, m_initialImage,
                                m_finalImage, QSizeF(m_host->size()));
    painter.restore();
}

void Transition::reset()
{
    m_initialImage = QImage();
    m_finalImage = QImage();
}

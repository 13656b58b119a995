#include "BackgroundViews.h"

#include "NotificationCenter.h"
#include "UserDefaults.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>

namespace {

// A hairline a little apart from the window: the palette's mid tone.
QColor hairline(const QPalette& palette)
{
    return palette.color(QPalette::Mid);
}

} // namespace

RVBackView::RVBackView(QWidget* parent) : QWidget(parent) {}

void RVBackView::setSubView(QWidget* view)
{
    m_subView = view;
    update();
}

std::pair<QColor, QColor> RVBackView::bandColors(const QColor& base)
{
    float h, s, b, a;
    base.getHsvF(&h, &s, &b, &a);
    const QColor light =
        QColor::fromHsvF(h, std::max(s - 0.12f, 0.0f), std::min(b + 0.15f, 1.0f), a);
    const QColor dark = QColor::fromHsvF(h, s > 0.04f ? std::min(s + 0.12f, 1.0f) : 0.0f,
                                         std::max(b - 0.015f, 0.0f), a);
    return {light, dark};
}

void RVBackView::paintEvent(QPaintEvent*)
{
    // The band fills the view above the sub view.
    const int subHeight = m_subView ? m_subView->height() : 0;
    const QRect band(0, 0, width(), height() - subHeight);
    if (band.height() <= 0)
        return;
    // Shaded from the palette's window, light or dark.
    const auto colors = bandColors(palette().color(QPalette::Window));
    QLinearGradient shading(0, band.bottom() + 1, 0, band.top());
    shading.setColorAt(0, colors.first);
    shading.setColorAt(1, colors.second);
    QPainter painter(this);
    painter.fillRect(band, shading);
    painter.fillRect(QRect(0, band.bottom(), width(), 1), hairline(palette()));
}

RVClearView::RVClearView(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_TranslucentBackground);
}

void RVClearView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(event->rect(), QColor::fromRgbF(0, 0, 0, 0.65f));
}

RVHorizontalView::RVHorizontalView(QWidget* parent) : QWidget(parent)
{
    // The lists' shared colour; by default a faint wash of blue over the window.
    const rv::Color fallback(0.62, 0.78, 1.0, 0.18);
    m_bgColor =
        UserDefaults::sharedInstance().color(QStringLiteral("colorViewColor"), fallback).toQColor();
    auto follow = [this](const Notification& notification) {
        const QVariant color = notification.userInfo.value(QStringLiteral("color"));
        if (color.canConvert<rv::Color>())
            m_bgColor = color.value<rv::Color>().toQColor();
        else if (color.canConvert<QColor>())
            m_bgColor = color.value<QColor>();
        else
            return;
        update();
    };
    NotificationCenter& center = NotificationCenter::sharedInstance();
    center.observe(QStringLiteral("colorView1"), this, follow);
    center.observe(QStringLiteral("colorView2"), this, follow);
}

RVHorizontalView::~RVHorizontalView()
{
    NotificationCenter::sharedInstance().removeObserver(this);
}

void RVHorizontalView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.fillRect(event->rect(), m_bgColor);
    painter.fillRect(QRect(0, height() - 1, width(), 1), borderColor());
}

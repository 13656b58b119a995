#include "TransitionView.h"

#include "CoverPicture.h"
#include "NotificationCenter.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QRadialGradient>
#include <QScreen>
#include <cmath>
#include <numbers>

namespace {

const char TransitionDone[] = "transitionDone";

// The flash fills the picture by this point of its own time, then fades.
constexpr double FadeThreshold = 0.85;

} // namespace

TransitionView::TransitionView(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &TransitionView::timerFired);
}

void TransitionView::setScreenCapture(const QImage& capture)
{
    if (!capture.isNull())
        m_sourceImage = capture;
}

void TransitionView::setScreenCaptureFunction(std::function<QImage(const QRect&)> capture)
{
    m_capture = std::move(capture);
}

void TransitionView::setupTransition()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    setGeometry(area);
    QImage capture;
    if (m_capture)
        capture = m_capture(area);
    else if (screen && !area.isEmpty())
        // Where the platform cannot read the screen (Wayland) this is null.
        capture = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    setScreenCapture(capture);
    if (m_sourceImage.isNull()) {
        NotificationCenter::sharedInstance().post(TransitionDone, m_delegate);
        return;
    }
    m_base.start();
    m_timer.start();
    show();
    raise();
    activateWindow();
}

double TransitionView::phase() const
{
    return m_base.isValid() ? m_base.elapsed() / 1000.0 * 0.4 : 0.0;
}

QImage TransitionView::imageAtTime(const QImage& capture, double t)
{
    // The flash starts small at its centre, spreads until it fills the picture,
    // then fades from it.
    const double time = (1 - std::cos(std::numbers::pi * std::fmod(t, 1.0))) / 2;
    QImage frame = capture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QSizeF size = frame.deviceIndependentSize();
    const QPointF centre(0.5 * size.width(), 0.35 * size.height());
    const double reach = std::hypot(std::max(centre.x(), size.width() - centre.x()),
                                    std::max(centre.y(), size.height() - centre.y()));
    QPainter painter(&frame);
    if (time <= FadeThreshold) {
        const double radius = 1.25 * reach * time / FadeThreshold;
        if (radius <= 0)
            return frame;
        QRadialGradient flash(centre, radius);
        flash.setColorAt(0, Qt::white);
        flash.setColorAt(0.8, Qt::white);
        flash.setColorAt(1, QColor(255, 255, 255, 0));
        painter.fillRect(QRectF(QPointF(), size), flash);
    } else {
        QColor veil(Qt::white);
        veil.setAlphaF(float((1 - time) / (1 - FadeThreshold)));
        painter.fillRect(QRectF(QPointF(), size), veil);
    }
    return frame;
}

void TransitionView::paintAt(QPainter& painter, double t) const
{
    const QRectF bounds = rect();
    if (!m_sourceImage.isNull()) {
        // Until the flash begins the view shows the screen as it is.
        painter.drawImage(bounds, t > 0.22 ? imageAtTime(m_sourceImage, t) : m_sourceImage);
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(bounds, Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (t > 0.06 && t <= 0.9 && !m_logoImg.isNull()) {
        const QSizeF logo = m_logoImg.deviceIndependentSize();
        const double scale = 0.25 / t;
        const double w = logo.width() * (1 - t) * scale, h = logo.height() * (1 - t) * scale;
        // Centred across, 35 % down the free height.
        const QRectF where(bounds.x() + (bounds.width() - w) * 0.5,
                           bounds.y() + (bounds.height() - h) * 0.35, w, h);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(where, m_logoImg);
    }
}

void TransitionView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintAt(painter, phase());
}

void TransitionView::timerFired()
{
    update();
    if (phase() > 0.9)
        finish();
}

void TransitionView::finish()
{
    m_timer.stop();
    m_sourceImage = QImage();
    m_base.invalidate();
    NotificationCenter::sharedInstance().post(TransitionDone, m_delegate);
}

TransitionController::TransitionController(QObject* delegate)
    : m_delegate(delegate), m_view(new TransitionView)
{
    m_view->setDelegate(this);
}

TransitionController::~TransitionController()
{
    NotificationCenter::sharedInstance().removeObserver(this);
    delete m_view;
}

void TransitionController::start(std::function<void(TransitionController*)> end)
{
    m_end = std::move(end);
    NotificationCenter::sharedInstance().observe(TransitionDone, this,
                                                 [this](const Notification&) { transitionDone(); });
    m_view->setCoverImage(views::coverPicture());
    m_view->setupTransition();
}

void TransitionController::transitionDone()
{
    NotificationCenter::sharedInstance().removeObserver(this, TransitionDone);
    m_view->close();
    if (auto end = std::exchange(m_end, {}))
        end(this);
}

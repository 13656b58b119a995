#include "ProgressSpinner.h"

#include <QPainter>
#include <QtMath>

ProgressSpinner::ProgressSpinner(QObject* parent) : QObject(parent) {}

ProgressSpinner::~ProgressSpinner() = default;

ProgressSpinner& ProgressSpinner::sharedInstance()
{
    static ProgressSpinner* spinner = new ProgressSpinner;
    return *spinner;
}

void ProgressSpinner::start()
{
    if (m_users++ == 0)
        m_timer = m_clock->singleShot(frameInterval, [this] { advance(); });
}

void ProgressSpinner::stop()
{
    if (m_users == 0)
        return;
    if (--m_users == 0)
        m_timer.reset();
}

void ProgressSpinner::advance()
{
    m_frame = (m_frame + 1) % frameCount;
    m_timer = m_clock->singleShot(frameInterval, [this] { advance(); });
    emit frameAdvanced(m_frame);
}

QPixmap ProgressSpinner::image(int size, qreal devicePixelRatio) const
{
    return imageOfFrame(m_frame, size, devicePixelRatio);
}

QPixmap ProgressSpinner::imageOfFrame(int frame, int size, qreal devicePixelRatio, int frames,
                                      const QColor& color)
{
    QPixmap picture(QSize(size, size) * devicePixelRatio);
    picture.setDevicePixelRatio(devicePixelRatio);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(size / 2.0, size / 2.0);
    const qreal inner = size * 0.22;
    const qreal outer = size * 0.46;
    QPen spoke(Qt::black, qMax(1.5, size / 9.0), Qt::SolidLine, Qt::RoundCap);
    const qreal leading = (frame % qMax(1, frames)) * 360.0 / qMax(1, frames) - 90.0;
    for (int age = 0; age < frameCount; ++age) {
        // The leading spoke is darkest; the ones behind it fade.
        QColor faded = color;
        faded.setAlphaF(1.0 - age * (0.8 / frameCount));
        spoke.setColor(faded);
        painter.setPen(spoke);
        const qreal angle = qDegreesToRadians(leading - age * 360.0 / frameCount);
        painter.drawLine(QPointF(qCos(angle) * inner, qSin(angle) * inner),
                         QPointF(qCos(angle) * outer, qSin(angle) * outer));
    }
    return picture;
}

#include "OneShotTimer.h"

#include <QTimer>

OneShotTimer::~OneShotTimer() = default;

QtOneShotTimer::QtOneShotTimer() : m_timer(new QTimer)
{
    m_timer->setSingleShot(true);
    QObject::connect(m_timer, &QTimer::timeout, [this] {
        // The callback may start the timer again, replacing itself.
        const std::function<void()> timeout = std::move(m_timeout);
        m_timeout = nullptr;
        if (timeout)
            timeout();
    });
}

QtOneShotTimer::~QtOneShotTimer()
{
    delete m_timer;
}

void QtOneShotTimer::start(std::chrono::milliseconds interval, std::function<void()> timeout)
{
    m_timeout = std::move(timeout);
    m_timer->start(interval);
}

void QtOneShotTimer::stop()
{
    m_timer->stop();
    m_timeout = nullptr;
}

bool QtOneShotTimer::isActive() const
{
    return m_timer->isActive();
}

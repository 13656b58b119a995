#include "Clock.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <limits>

namespace {

class SystemTimer : public Clock::Timer {
public:
    SystemTimer(qint64 msec, std::function<void()> fire) : m_timer(new QTimer)
    {
        m_timer->setSingleShot(true);
        m_timer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_timer, &QTimer::timeout, m_timer, [fire = std::move(fire)] {
            // A copy: the call may destroy this timer, and with it the lambda.
            const std::function<void()> call = fire;
            call();
        });
        m_timer->start(
            static_cast<int>(qBound(qint64(0), msec, qint64(std::numeric_limits<int>::max()))));
    }

    ~SystemTimer() override
    {
        // Later, since the call that destroys this timer may be running inside its signal.
        m_timer->stop();
        m_timer->deleteLater();
    }

private:
    QTimer* m_timer;
};

class SystemClock : public Clock {
public:
    SystemClock() { m_elapsed.start(); }

    qint64 now() const override { return m_elapsed.elapsed(); }

    std::unique_ptr<Timer> singleShot(qint64 msec, std::function<void()> fire) override
    {
        return std::make_unique<SystemTimer>(msec, std::move(fire));
    }

private:
    QElapsedTimer m_elapsed;
};

} // namespace

Clock& Clock::system()
{
    static SystemClock clock;
    return clock;
}

#pragma once

#include <QObject>
#include <chrono>
#include <functional>

class QTimer;

// One pending timeout at a time: starting again replaces the pending one.
// Timed checks take it as a parameter, so tests can drive their clock.
class OneShotTimer {
public:
    virtual ~OneShotTimer();
    virtual void start(std::chrono::milliseconds interval, std::function<void()> timeout) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;
};

// The event loop's timer.
class QtOneShotTimer : public OneShotTimer {
public:
    QtOneShotTimer();
    ~QtOneShotTimer() override;
    void start(std::chrono::milliseconds interval, std::function<void()> timeout) override;
    void stop() override;
    bool isActive() const override;

private:
    QTimer* m_timer;
    std::function<void()> m_timeout;
};

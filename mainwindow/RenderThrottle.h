#pragma once

#include "Clock.h"

#include <QtGlobal>
#include <functional>
#include <memory>

// Follows a stream of changes with renders: at most one per interval, and
// always one after the last change, so what was typed last is shown. A
// change after a quiet interval renders on the next turn of the event loop
// (a burst of changes from one save makes one render); a change within the
// interval renders when the interval is over.
class RenderThrottle {
public:
    static constexpr qint64 defaultInterval = 2000;

    explicit RenderThrottle(std::function<void()> render, Clock* clock = nullptr,
                            qint64 interval = defaultInterval);
    ~RenderThrottle();

    // Something changed: a render is due, now or at the end of the interval.
    void request();
    // Drops a render that is due (the thing it would show has gone).
    void cancel();
    bool isPending() const { return m_timer != nullptr; }

private:
    void fire();

    std::function<void()> m_render;
    Clock& m_clock;
    qint64 m_interval;
    qint64 m_last = 0;
    bool m_rendered = false;
    std::unique_ptr<Clock::Timer> m_timer;
};

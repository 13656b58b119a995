#include "RenderThrottle.h"

#include <algorithm>

RenderThrottle::RenderThrottle(std::function<void()> render, Clock* clock, qint64 interval)
    : m_render(std::move(render)), m_clock(clock ? *clock : Clock::system()), m_interval(interval)
{
}

RenderThrottle::~RenderThrottle() = default;

void RenderThrottle::request()
{
    // A render already due shows this change too.
    if (m_timer)
        return;
    const qint64 wait =
        m_rendered ? std::max<qint64>(0, m_last + m_interval - m_clock.now()) : qint64(0);
    m_timer = m_clock.singleShot(wait, [this] { fire(); });
}

void RenderThrottle::cancel()
{
    m_timer.reset();
}

void RenderThrottle::fire()
{
    m_timer.reset();
    m_last = m_clock.now();
    m_rendered = true;
    if (m_render)
        m_render();
}

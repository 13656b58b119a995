#include "ManualClock.h"

namespace plumet::test {

struct ManualClock::Pending {
    std::function<void()> fire;
    bool cancelled = false;
};

namespace {

class ManualTimer : public Clock::Timer {
public:
    explicit ManualTimer(std::weak_ptr<void> pending, bool* cancelled)
        : m_pending(std::move(pending)), m_cancelled(cancelled)
    {
    }
    ~ManualTimer() override
    {
        if (!m_pending.expired())
            *m_cancelled = true;
    }

private:
    std::weak_ptr<void> m_pending;
    bool* m_cancelled;
};

} // namespace

ManualClock::ManualClock() = default;
ManualClock::~ManualClock() = default;

std::unique_ptr<Clock::Timer> ManualClock::singleShot(qint64 msec, std::function<void()> fire)
{
    auto pending = std::make_shared<Pending>();
    pending->fire = std::move(fire);
    m_pending.emplace(std::make_pair(m_now + qMax<qint64>(0, msec), m_sequence++), pending);
    return std::make_unique<ManualTimer>(pending, &pending->cancelled);
}

void ManualClock::advance(qint64 msec)
{
    const qint64 target = m_now + msec;
    while (!m_pending.empty() && m_pending.begin()->first.first <= target) {
        auto first = m_pending.begin();
        m_now = first->first.first;
        const std::shared_ptr<Pending> pending = first->second;
        m_pending.erase(first);
        if (!pending->cancelled)
            pending->fire();
    }
    m_now = target;
}

int ManualClock::pendingCount() const
{
    int count = 0;
    for (const auto& [key, pending] : m_pending)
        count += pending->cancelled ? 0 : 1;
    return count;
}

} // namespace plumet::test

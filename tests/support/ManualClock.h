#pragma once

#include "Clock.h"

#include <map>
#include <memory>

namespace plumet::test {

// A clock that moves only when the test says so: advance() fires every call
// that falls due, in time order, with now() at the moment each was due.
class ManualClock : public Clock {
public:
    ManualClock();
    ~ManualClock() override;

    qint64 now() const override { return m_now; }
    std::unique_ptr<Timer> singleShot(qint64 msec, std::function<void()> fire) override;

    void advance(qint64 msec);
    // Calls scheduled and not yet fired or cancelled.
    int pendingCount() const;

private:
    struct Pending;
    qint64 m_now = 0;
    quint64 m_sequence = 0;
    // Keyed by (due time, order of scheduling), so equal times keep their order.
    std::map<std::pair<qint64, quint64>, std::shared_ptr<Pending>> m_pending;
};

} // namespace plumet::test

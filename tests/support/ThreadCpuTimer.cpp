#include "ThreadCpuTimer.h"

#include <ctime>

namespace plumet::test {

void ThreadCpuTimer::start()
{
    m_startNs = nowNs();
}

qint64 ThreadCpuTimer::elapsed() const
{
    return (nowNs() - m_startNs) / 1'000'000;
}

qint64 ThreadCpuTimer::nowNs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

} // namespace plumet::test

#pragma once

#include <QtGlobal>

namespace plumet::test {

// Measures the processor time the calling thread spends, for the tests that
// bound how long some work may take (a linear pass over a hostile input).
// Unlike the wall clock it does not run on while a loaded machine keeps the
// thread waiting for a processor, so such a bound holds under any load while
// still telling a linear pass from a quadratic one.
class ThreadCpuTimer {
public:
    ThreadCpuTimer() { start(); }

    void start();
    // Milliseconds of this thread's processor time since start().
    qint64 elapsed() const;

private:
    static qint64 nowNs();

    qint64 m_startNs = 0;
};

} // namespace plumet::test

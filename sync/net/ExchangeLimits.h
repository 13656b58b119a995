#pragma once

#include <QtGlobal>
#include <chrono>

// What one HTTP exchange may cost besides the inactivity limit every request
// has: the size of the answer kept in memory, the time the whole exchange may
// last, and the slowest pace its transfers may keep over a window of time, so
// that an endless or trickling answer cannot hold the program. Each kind of
// exchange has its own.
struct ExchangeLimits {
    qint64 maximumAnswerBytes = 0;
    std::chrono::milliseconds deadline{0};
    // No pace is asked when 0.
    qint64 minimumBytesPerSecond = defaultMinimumBytesPerSecond;
    std::chrono::milliseconds paceWindow = std::chrono::seconds(60);

    static constexpr qint64 defaultMinimumBytesPerSecond = 1024;

    // XML-RPC and Atom answers: a big blog's post list is large, so generous.
    static ExchangeLimits serverAnswer();
    // Web pages: a blog's home page, discovery, pings.
    static ExchangeLimits page();
    // The update feed.
    static ExchangeLimits feed();

    // The time a request body of `bytes` adds to the deadline: a slow uplink
    // must still be able to send it.
    static std::chrono::milliseconds uploadAllowance(qint64 bytes);
    // The time between the last byte of a request body leaving plumet and the
    // server having read it, for a server that reads at `bytesPerSecond`: the
    // system's socket buffers may still hold megabytes of it. The wait for the
    // first response starts after it.
    static std::chrono::milliseconds bufferedUploadMargin(qint64 bytes, qint64 bytesPerSecond);
};

#pragma once

#include <QtGlobal>
#include <chrono>

// What one HTTP exchange may cost besides the inactivity limit every request
// has: the size of the answer kept in memory, and the time the whole exchange
// may last, so that an endless or trickling answer cannot hold the program.
// Each kind of exchange has its own.
struct ExchangeLimits {
    qint64 maximumAnswerBytes = 0;
    std::chrono::milliseconds deadline{0};

    // XML-RPC and Atom answers: a big blog's post list is large, so generous.
    static ExchangeLimits serverAnswer();
    // Web pages: a blog's home page, discovery, pings.
    static ExchangeLimits page();
    // The update feed.
    static ExchangeLimits feed();

    // The time a request body of `bytes` adds to the deadline: a slow uplink
    // must still be able to send it.
    static std::chrono::milliseconds uploadAllowance(qint64 bytes);
    // Part of the time between the last byte of a request body leaving plumet
    // and the server having read it: the system's socket buffers may still
    // hold megabytes of it. Added to the wait for the first response.
    static std::chrono::milliseconds bufferedUploadMargin(qint64 bytes);
};

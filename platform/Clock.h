#pragma once

#include <QtGlobal>
#include <functional>
#include <memory>

// Time for the parts that wait: a retry every few seconds, a key buffer that
// empties after a pause. The system clock runs on the event loop; tests hand
// in a clock they advance themselves, so waits of seconds take no time.
class Clock {
public:
    // A pending call. Destroying it cancels the call; it is safe to destroy it
    // from inside the call itself.
    class Timer {
    public:
        virtual ~Timer() = default;
    };

    virtual ~Clock() = default;

    // Milliseconds on a steady scale (only differences mean anything).
    virtual qint64 now() const = 0;

    // Calls `fire` once, `msec` milliseconds from now, from the event loop,
    // unless the returned timer is destroyed first.
    [[nodiscard]] virtual std::unique_ptr<Timer> singleShot(qint64 msec,
                                                            std::function<void()> fire) = 0;

    // The real clock, driven by the Qt event loop of the calling thread.
    static Clock& system();
};

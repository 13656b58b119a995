#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM and SIGINT as a Qt signal on the main thread. The handler only
// writes the signal's number into a pipe (the one thing a signal handler may
// safely do); a socket notifier reads it on the event loop. One per process.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

    // Holds SIGTERM and SIGINT back from the start of main() until the
    // handlers are in place, so a quit asked for while the program starts
    // waits for them instead of killing it; threads started meanwhile keep
    // them held, so they reach the main thread. `release` lets them go for a
    // process that ends without handlers (it handed its documents over).
    static void holdUntilInstalled();
    static void release();

    // Whether the handlers are in place.
    bool isInstalled() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QSocketNotifier* m_notifier = nullptr;
};

#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

// Watches one request of an exchange through its phases: sending the request,
// waiting for the answer, receiving it. Each phase may last only so long
// without progress; sending and receiving must also keep a minimum pace over
// each window of time once they have begun, so that a trickle ends instead of
// holding its road until the exchange's deadline.
class TransferWatch : public QObject {
    Q_OBJECT
public:
    enum class Phase { Sending, Waiting, Receiving };

    explicit TransferWatch(QObject* parent = nullptr);

    // No pace is asked when the rate is 0.
    void setMinimumPace(qint64 bytesPerSecond, std::chrono::milliseconds window);
    qint64 minimumBytesPerSecond() const { return m_bytesPerSecond; }
    std::chrono::milliseconds paceWindow() const { return m_window; }

    // Starts a phase that fails after `silence` without progress.
    void begin(Phase phase, std::chrono::milliseconds silence);
    // `bytes` more were sent or received.
    void progressed(qint64 bytes);
    void stop();

    Phase phase() const { return m_phase; }
    // The silence the running phase allows.
    std::chrono::milliseconds silence() const { return m_silenceAllowed; }

signals:
    void stalled(TransferWatch::Phase phase);
    void tooSlow(TransferWatch::Phase phase);

private:
    void onWindowEnded();

    Phase m_phase = Phase::Waiting;
    QTimer m_silence;
    QTimer m_paceTimer;
    std::chrono::milliseconds m_silenceAllowed{0};
    qint64 m_bytesPerSecond = 0;
    std::chrono::milliseconds m_window{0};
    qint64 m_windowBytes = 0;
};

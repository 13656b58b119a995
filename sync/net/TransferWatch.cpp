#include "TransferWatch.h"

TransferWatch::TransferWatch(QObject* parent) : QObject(parent)
{
    m_silence.setSingleShot(true);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        m_paceTimer.stop();
        emit stalled(m_phase);
    });
    connect(&m_paceTimer, &QTimer::timeout, this, &TransferWatch::onWindowEnded);
}

void TransferWatch::setMinimumPace(qint64 bytesPerSecond, std::chrono::milliseconds window)
{
    m_bytesPerSecond = bytesPerSecond;
    m_window = window;
}

void TransferWatch::begin(Phase phase, std::chrono::milliseconds silence)
{
    m_phase = phase;
    m_silenceAllowed = silence;
    m_silence.start(silence);
    // The pace is measured from the phase's first bytes on; until then the
    // silence is what counts.
    m_paceTimer.stop();
    m_windowBytes = 0;
}

void TransferWatch::progressed(qint64 bytes)
{
    if (!m_silence.isActive() || bytes <= 0)
        return;
    m_silence.start(m_silenceAllowed);
    m_windowBytes += bytes;
    const bool paced = m_phase != Phase::Waiting && m_bytesPerSecond > 0 && m_window.count() > 0;
    if (paced && !m_paceTimer.isActive()) {
        m_windowBytes = 0; // the window begins with the first bytes; they start it
        m_paceTimer.start(m_window);
    }
}

void TransferWatch::stop()
{
    m_silence.stop();
    m_paceTimer.stop();
}

void TransferWatch::onWindowEnded()
{
    const qint64 wanted = m_bytesPerSecond * m_window.count() / 1000;
    if (m_windowBytes < wanted) {
        stop();
        emit tooSlow(m_phase);
        return;
    }
    m_windowBytes = 0;
}

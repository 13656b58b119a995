#include "EntryFileWriter.h"

#include "AtomicFile.h"
#include "ModelLog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <pthread.h>

namespace {

// Past this many bytes waiting, a save waits for the writer instead of
// holding ever more in memory.
constexpr qsizetype MaxQueuedBytes = qsizetype(256) * 1024 * 1024;

void finishSharedWriter()
{
    EntryFileWriter::sharedInstance().finish();
}

} // namespace

void EntryFileWriter::Failures::add(Failure failure)
{
    const std::lock_guard lock(m_lock);
    m_failures.push_back(std::move(failure));
}

std::vector<EntryFileWriter::Failure> EntryFileWriter::Failures::take()
{
    const std::lock_guard lock(m_lock);
    return std::exchange(m_failures, {});
}

EntryFileWriter& EntryFileWriter::sharedInstance()
{
    static EntryFileWriter writer;
    // The queue is finished while the application object still stands; the
    // destructor is the last resort of a program without one.
    [[maybe_unused]] static const bool finishesWithTheApplication =
        (qAddPostRoutine(finishSharedWriter), true);
    return writer;
}

EntryFileWriter::EntryFileWriter()
{
    // Made before the writer, so it is still there when the writer finishes
    // its queue at exit and reports a failure.
    lcStore();
    m_thread = std::thread([this] { run(); });
    pthread_setname_np(m_thread.native_handle(), "entry writer");
}

EntryFileWriter::~EntryFileWriter()
{
    finish();
}

quint64 EntryFileWriter::write(const QString& folder, const QString& fileName, QByteArray bytes,
                               std::shared_ptr<Failures> failures, const QString& replaces)
{
    return enqueue({0, false, folder, fileName, std::move(bytes), std::move(failures), replaces});
}

quint64 EntryFileWriter::remove(const QString& folder, const QString& fileName,
                                std::shared_ptr<Failures> failures)
{
    return enqueue({0, true, folder, fileName, {}, std::move(failures)});
}

quint64 EntryFileWriter::enqueue(Job job)
{
    std::unique_lock lock(m_lock);
    if (m_finished) {
        job.ticket = ++m_lastTicket;
        lock.unlock();
        perform(job);
        lock.lock();
        m_doneTicket = std::max(m_doneTicket.load(), job.ticket);
        m_done.notify_all();
        return job.ticket;
    }
    m_done.wait(lock, [this] { return m_queuedBytes <= MaxQueuedBytes || m_finished; });
    job.ticket = ++m_lastTicket;
    m_queuedBytes += job.bytes.size();
    const quint64 ticket = job.ticket;
    m_jobs.push_back(std::move(job));
    m_queued.notify_one();
    return ticket;
}

bool EntryFileWriter::isDone(quint64 ticket) const
{
    return m_doneTicket.load(std::memory_order_acquire) >= ticket;
}

void EntryFileWriter::waitFor(quint64 ticket)
{
    std::unique_lock lock(m_lock);
    m_done.wait(lock, [&] { return m_doneTicket >= ticket; });
}

void EntryFileWriter::waitUntilDone()
{
    std::unique_lock lock(m_lock);
    const quint64 last = m_lastTicket;
    m_done.wait(lock, [&] { return m_doneTicket >= last; });
}

void EntryFileWriter::finish()
{
    {
        const std::lock_guard lock(m_lock);
        if (m_stopping)
            return;
        m_stopping = true;
    }
    m_queued.notify_one();
    if (m_thread.joinable())
        m_thread.join();
    const std::lock_guard lock(m_lock);
    m_finished = true;
    m_done.notify_all();
}

void EntryFileWriter::run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_queued.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
        if (m_jobs.empty())
            return; // stopping, and everything has run
        const Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        perform(job);
        lock.lock();
        m_queuedBytes -= job.bytes.size();
        m_doneTicket = job.ticket;
        m_done.notify_all();
    }
}

void EntryFileWriter::perform(const Job& job)
{
    const QString path = job.folder + QLatin1Char('/') + job.fileName;
    QString error;
    bool done = false;
    if (job.remove) {
        done = !QFile::exists(path) || QFile::remove(path);
        if (!done)
            error = QStringLiteral("The file \"%1\" could not be removed.").arg(path);
    } else {
        done = AtomicFile::write(path, job.bytes, &error);
    }
    if (!done) {
        qCWarning(lcStore).noquote() << error;
        if (job.failures)
            job.failures->add({job.ticket, job.fileName, error});
        return;
    }
    if (job.replaces.isEmpty())
        return;
    const QString replaced = job.folder + QLatin1Char('/') + job.replaces;
    if (!QFile::exists(replaced) || QFile::remove(replaced))
        return;
    error = QStringLiteral("The file \"%1\" could not be removed.").arg(replaced);
    qCWarning(lcStore).noquote() << error;
    if (job.failures)
        job.failures->add({job.ticket, job.replaces, error});
}

#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// Writes and removes entry files on a thread of its own, so that saving many
// entries does not hold the windows up. Jobs run one after another in the
// order they were handed over; a write replaces its file atomically, so a
// killed process leaves every file old or new. The queue is finished before
// the program ends (when the application object goes, or at the latest when
// the writer itself does).
//
// Each job has a ticket, counting up from 1. A failed job is logged and
// reported to the Failures box it was handed over with, where its store finds
// it at its next save.
class EntryFileWriter {
public:
    struct Failure {
        quint64 ticket = 0;
        QString fileName; // the file's name in its folder
        QString error;    // a sentence for the user
    };

    // Failures of one store's jobs, filled on the writer's thread.
    class Failures {
    public:
        void add(Failure failure);
        std::vector<Failure> take();

    private:
        std::mutex m_lock;
        std::vector<Failure> m_failures;
    };

    static EntryFileWriter& sharedInstance();

    EntryFileWriter();
    ~EntryFileWriter();
    EntryFileWriter(const EntryFileWriter&) = delete;
    EntryFileWriter& operator=(const EntryFileWriter&) = delete;

    // Queues the bytes for `folder`/`fileName` (the folder must exist) and
    // answers the job's ticket. Waits first while too many bytes are queued.
    // With `replaces`, that other file of the folder goes once the bytes are
    // written, and only then (a failed removal is reported under its name).
    quint64 write(const QString& folder, const QString& fileName, QByteArray bytes,
                  std::shared_ptr<Failures> failures, const QString& replaces = QString());
    // Queues the removal of `folder`/`fileName`; a missing file is no failure.
    quint64 remove(const QString& folder, const QString& fileName,
                   std::shared_ptr<Failures> failures);

    // Whether the job of that ticket, and every one before it, has run.
    bool isDone(quint64 ticket) const;
    // Waits until the job of that ticket, and every one before it, has run.
    void waitFor(quint64 ticket);
    // Waits until every job handed over so far has run.
    void waitUntilDone();

    // Runs what is queued and stops the thread; later jobs run on the
    // calling thread at once.
    void finish();

private:
    struct Job {
        quint64 ticket = 0;
        bool remove = false;
        QString folder;
        QString fileName;
        QByteArray bytes;
        std::shared_ptr<Failures> failures;
        QString replaces; // removed once the write has succeeded
    };

    quint64 enqueue(Job job);
    void run();
    static void perform(const Job& job);

    mutable std::mutex m_lock;
    std::condition_variable m_queued; // a job arrived, or the writer is to stop
    std::condition_variable m_done;   // a job has run
    std::deque<Job> m_jobs;
    qsizetype m_queuedBytes = 0;
    quint64 m_lastTicket = 0;
    std::atomic<quint64> m_doneTicket{0}; // written under the lock, read without

    bool m_stopping = false;
    bool m_finished = false;
    std::thread m_thread;
};

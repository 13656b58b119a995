#pragma once

#include "RestError.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <optional>

// One piece of asynchronous work with a server: every road is a Job (publish
// PublishJob, posts and pages RetrieveEntriesJob, per-post categories
// EntryCategoriesJob, deletion DeleteJob, account refresh RefreshAccountJob,
// blog categories RefreshCategoriesJob, upload UploadJob, page fetch
// DownloadJob, the ping queue PingJob), and the activity list shows one row
// per running job from its status, sub-status and progress. Separate jobs run
// one after the other make a SequentialJob (the uploads before a publish).
//
// The shape:
// - start() only schedules: the work begins on the next turn of the event
//   loop, never inside the call.
// - finished(this) is emitted exactly once, whether the job succeeded, failed
//   or was cancelled, and whether or not it was ever started; state() and
//   error() tell which.
// - After finished() the job deletes itself later (deleteLater) unless
//   setAutoDelete(false) was called. Slots connected to finished() may read the
//   job but never delete it.
// - A subclass implements doStart() and ends with succeed() or fail(); it
//   stops its work in doCancel(). Neither may delete the job or its caller.
class Account;

class Job : public QObject {
    Q_OBJECT
public:
    enum class State { Waiting, Running, Finished, Failed, Cancelled };
    Q_ENUM(State)

    explicit Job(QObject* parent = nullptr);
    ~Job() override;

    // Schedules the work. Only the first call of a waiting job counts.
    void start();
    // Stops the work and ends the job as Cancelled, with finished() emitted
    // before this returns. A job that has already finished stays as it was.
    void cancel();

    State state() const { return m_state; }
    // Finished, Failed or Cancelled.
    bool isFinished() const;
    // Set when, and only when, the job failed.
    const std::optional<RestError>& error() const { return m_error; }

    // The activity row: a status line ("Publishing "Title"..."), a sub-status
    // line ("Receiving 2.0 of 4.0Kb") and progress out of a maximum (0 when
    // the amount of work is unknown).
    QString status() const { return m_status; }
    QString subStatus() const { return m_subStatus; }
    double progress() const { return m_progress; }
    double progressMaximum() const { return m_progressMaximum; }

    // A job whose caller shows its failure: its activity row goes when it
    // fails, as when it succeeds, instead of staying as an error row.
    bool reportsErrorsItself() const { return m_reportsErrorsItself; }
    void setReportsErrorsItself(bool reports) { m_reportsErrorsItself = reports; }

    bool autoDelete() const { return m_autoDelete; }
    void setAutoDelete(bool autoDelete) { m_autoDelete = autoDelete; }

signals:
    void finished(Job* job);
    void stateChanged(Job::State state);
    void statusChanged(const QString& status);
    void subStatusChanged(const QString& subStatus);
    void progressChanged(double progress, double maximum);

protected:
    // Begins the work, from the event loop. Ends, now or later, with succeed() or fail().
    virtual void doStart() = 0;
    // Stops the work of a running job. Whatever the work reports while it
    // stops is ignored: the job ends as Cancelled.
    virtual void doCancel() {}

    // End the job; ignored unless it is running.
    void succeed();
    void fail(const RestError& error);

    // A job that reads `account`'s passwords starts only once the keychain
    // has answered; it waits as Waiting, and can be cancelled meanwhile.
    void setPasswordsOf(Account* account);

    void setStatus(const QString& status);
    void setSubStatus(const QString& subStatus);
    void setProgress(double progress, double maximum);

private:
    void begin();
    void finish(State state, std::optional<RestError> error);
    void setState(State state);

    State m_state = State::Waiting;
    std::optional<RestError> m_error;
    QString m_status;
    QString m_subStatus;
    double m_progress = 0;
    double m_progressMaximum = 0;
    bool m_autoDelete = true;
    bool m_reportsErrorsItself = false;
    bool m_scheduled = false;
    bool m_cancelling = false;
    QPointer<Account> m_passwordsOf;
};

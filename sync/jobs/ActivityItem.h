#pragma once

#include "Account.h"
#include "Clock.h"
#include "JobRow.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class ActivityList;

// One row of the activity list: a server job's status, sub-status, progress
// and error, and the row's stop and clear buttons. The row also starts its
// job: callAction() asks the start action, and while that answers false (the
// account is busy) asks again after the list's retry interval (2.0 s), for as
// long as it takes; meanwhile the row says which account it waits for.
//
// A road registers a row with ActivityList::newActivity(), connects the
// signals below, and calls callAction(). It reports with setStatus(),
// setSubStatus(), setDuration() and setProgress(), and ends with remove()
// (done) or setError() (failed: the row stays until the user clears it).
// Whatever the state, stopping or clearing a row tells the job exactly once,
// through one of cancelRequested(), withdrawn() or clearRequested().
//
// Rows belong to their list and are deleted later once removed: keep them in
// a QPointer. Main thread only; work on other threads reports with queued calls.
class ActivityItem : public QObject, public JobRow {
    Q_OBJECT
public:
    // Answers true once the job has started, false while it must wait.
    using StartAction = std::function<bool()>;

    enum class State {
        Queued,  // registered, not asked yet: "In queue..."
        Waiting, // the start action answered false; asked again after the retry interval
        Running, // the start action answered true
        Error,   // setError(): error line, look-up and clear buttons
        Removed, // out of the list
    };
    Q_ENUM(State)

    ~ActivityItem() override;

    // A record's name as a row's text shows it: on one line, runs of white
    // space one space, none at its ends. A title with markup has lost its
    // tags in its display name, but each tag left a space behind.
    static QString shownName(const QString& name);

    // --- the job's side ---

    // Asks the start action now (a pending retry is dropped). Only a queued
    // or waiting row asks: a started job is never started twice.
    void callAction();
    // Both lines show one line: line breaks and runs of white space become
    // one space.
    void setStatus(const QString& status) override;
    void setSubStatus(const QString& subStatus) override;
    // Below 1: the amount of work is unknown (an animated bar). From 1 up: the
    // bar's maximum, with the value back at 0; setProgress() moves it.
    void setDuration(double duration) override;
    void setProgress(double progress) override;
    // Turns the row into an error row; a null or empty message reads "Unknown error".
    void setError(const QString& message);
    // Takes the row out of the list.
    void remove();

    // --- the row's stop button (the clear button on an error row) ---

    // A queued or waiting row is removed and its job hears withdrawn(); a
    // running row asks its job to stop with cancelRequested() (the job removes
    // the row when it has ended); an error row hears clearRequested() and goes.
    void stop();

    // --- what the row shows ---

    State state() const { return m_state; }
    Account* account() const { return m_account.data(); }
    QString status() const { return m_status; }
    QString subStatus() const { return m_subStatus; }
    // The error line: "An error occurred: “message”"; empty unless an error row.
    QString errorText() const;
    QString errorMessage() const { return m_errorMessage; }
    bool isError() const { return m_state == State::Error; }
    // Every state but error: the progress bar is showing.
    bool isActive() const { return m_state != State::Error && m_state != State::Removed; }
    bool isDeterminate() const { return m_maximum >= 1.0; }
    double maximum() const { return m_maximum; }
    double progress() const { return m_progress; }
    // An indeterminate bar that moves: from the first callAction() until an
    // amount of work is known or an error ends it.
    bool isAnimated() const;
    bool isRetryPending() const { return m_retry != nullptr; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

signals:
    // The row's text, progress or selection changed.
    void changed(ActivityItem* item);
    // The stop button of a running row: stop the job, then remove the row.
    void cancelRequested(ActivityItem* item);
    // The row was stopped before its job started: the job must end without
    // running. The row is already out of the list.
    void withdrawn(ActivityItem* item);
    // The clear button of an error row. The row is already out of the list.
    void clearRequested(ActivityItem* item);

private:
    friend class ActivityList;
    ActivityItem(ActivityList* list, Account* account, const QString& status, StartAction start);

    void retryLater();
    void announce();
    QString waitingText() const;

    ActivityList* m_list;
    QPointer<Account> m_account;
    StartAction m_start;
    State m_state = State::Queued;
    QString m_status;
    QString m_subStatus;
    bool m_jobSetSubStatus = false;
    QString m_errorMessage;
    double m_maximum = 0;
    double m_progress = 0;
    bool m_animated = false;
    bool m_selected = false;
    bool m_asking = false;
    std::unique_ptr<Clock::Timer> m_retry;
};

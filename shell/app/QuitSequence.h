#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <utility>

class AppControl;
class QMessageBox;

// Decides whether plumet may quit: asks about running jobs, has the open
// drafts reviewed, waits for the accounts and entries to be written (asking
// when they could not be), and then quits or stays.
class QuitSequence : public QObject {
    Q_OBJECT
public:
    explicit QuitSequence(AppControl& control, QObject* parent = nullptr);
    ~QuitSequence() override;

    // A quit asked for; while the question is open it only comes forward.
    void request();
    // Yes from the moment the quit was decided until the event loop is left
    // (or, should it go on after all, its next turn).
    bool accepted() const { return m_accepted; }

    // The quit that follows, when it goes through, starts the program again.
    void restartAfterQuit() { m_restartAfterQuit = true; }
    bool restartRequested() const { return m_restartAfterQuit; }
    // Whether a restart is due, forgetting it.
    bool takeRestart() { return std::exchange(m_restartAfterQuit, false); }

    // The question while it asks.
    QMessageBox* alert() const { return m_alert; }
    // The session manager asks: whether the session's quit must be cancelled.
    bool commitDataRequested(bool allowsInteraction);

    // What quitting does (tests hand in their own).
    void setQuitFunction(std::function<void()> quit) { m_quit = std::move(quit); }

private:
    void askAboutActiveJobs();
    void reviewDrafts();
    void quitDecided(bool mayQuit);
    // Accounts and entries written and waited for before the quit goes on;
    // false when something could not be written and the user is asked.
    bool savedForQuit();
    void askAboutUnsavedPosts(const QString& reason);
    void endQuitRequest(bool mayQuit);

    AppControl& m_control;
    bool m_accepted = false;
    bool m_running = false;
    bool m_restartAfterQuit = false;
    QPointer<QMessageBox> m_alert;
    std::function<void()> m_quit;
};

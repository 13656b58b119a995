#pragma once

#include "Clock.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <chrono>
#include <memory>

class AccountController;
class QMessageBox;

// Saves the accounts and entries every "autoSave" minutes, and tells the user
// once per cause when a save fails.
class AccountAutoSave : public QObject {
    Q_OBJECT
public:
    explicit AccountAutoSave(AccountController& controller, QObject* parent = nullptr);
    ~AccountAutoSave() override;

    // The clock that times the saves (null: the system's); a running timer
    // starts again on it.
    void setClock(Clock* clock);
    std::chrono::seconds period() const;
    // Starts the timer again with the period now in force.
    void arm();
    bool isArmed() const { return m_timer != nullptr; }
    void stop() { m_timer.reset(); }
    // One autosave as the timer runs it (the drafts' text first); any call
    // arms the timer again, so a new period takes effect.
    void autoSave(bool fromTimer);
    // A save that succeeded: a failure after it is told again.
    void forgetToldFailures() { m_toldFailures.clear(); }
    // The alert that tells of an autosave that failed, while it is open.
    QMessageBox* alert() const;

private:
    // Saves accounts and entries and tells the user of a failure whose
    // reason was not told since the last save that succeeded.
    void saveNow();

    AccountController& m_controller;
    Clock* m_clock;
    std::unique_ptr<Clock::Timer> m_timer;
    QSet<QString> m_toldFailures;
    QPointer<QMessageBox> m_alert;
};

#pragma once

#include "AuthPrompter.h"
#include "AuthRequest.h"

#include <QObject>
#include <QPointer>

class QWidget;

// Answers login questions with the window-modal login sheet, one question at
// a time; questions asked while the sheet is open wait their turn.
class AuthRequestPrompter final : public AuthPrompter {
public:
    // The sheet is modal to `window`, or to the active window when none is given.
    explicit AuthRequestPrompter(QWidget* window = nullptr);
    ~AuthRequestPrompter() override;

    void ask(const QString& caption, const QString& username, Completion done) override;

    // The open sheet, if any (for tests and for bringing it to the front).
    AuthRequest* currentSheet() const { return m_sheet; }

private:
    struct Question {
        QString caption;
        QString username;
        Completion done;
    };
    void showNext();

    QPointer<QWidget> m_window;
    QPointer<AuthRequest> m_sheet;
    QList<Question> m_waiting;
    QObject m_lifetime; // ends queued work when the prompter goes
};

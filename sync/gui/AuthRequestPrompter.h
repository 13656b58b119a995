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
    AuthRequest* currentSheet() const { return sheet; }

private:
    struct Question {
        QString caption;
        QString username;
        Completion done;
    };
    void showNext();

    QPointer<QWidget> window;
    QPointer<AuthRequest> sheet;
    QList<Question> waiting;
    QObject lifetime; // ends queued work when the prompter goes
};

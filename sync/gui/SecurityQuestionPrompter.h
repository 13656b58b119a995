#pragma once

#include "SecurityPrompter.h"

#include <QObject>
#include <QPointer>

class QMessageBox;
class QWidget;

// Asks the security questions in window-modal message boxes whose default
// answer is Cancel, so that a stray Return never lowers the guard.
class SecurityQuestionPrompter final : public SecurityPrompter {
public:
    // The boxes are modal to `window`, or to the active window when none is given.
    explicit SecurityQuestionPrompter(QWidget* window = nullptr);
    ~SecurityQuestionPrompter() override;

    void askToTrustCertificate(const CertificateProblem& problem, Completion done) override;
    void askToFollowInsecureRedirect(const QUrl& from, const QUrl& to, Completion done) override;

    // The box asking now, if any (for tests and for bringing it to the front).
    QMessageBox* currentQuestion() const { return m_question; }

private:
    void ask(const QString& title, const QString& text, const QString& acceptLabel,
             Completion done);

    QPointer<QWidget> m_window;
    QPointer<QMessageBox> m_question;
};

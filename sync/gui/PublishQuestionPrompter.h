#pragma once

#include "PublishPrompter.h"

#include <QPointer>

class QMessageBox;
class QWidget;

// Asks whether to publish again an entry whose last publish was cut short,
// in a message box whose default is Look on Server: a stray Return never
// posts it a second time.
class PublishQuestionPrompter final : public PublishPrompter {
public:
    // The box is modal to `window`, or to the active window when none is given.
    explicit PublishQuestionPrompter(QWidget* window = nullptr);
    ~PublishQuestionPrompter() override;

    void askToPublishAgain(const Entry& entry, Completion done) override;

    // The box asking now, if any.
    QMessageBox* currentQuestion() const { return m_question; }

private:
    QPointer<QWidget> m_window;
    QPointer<QMessageBox> m_question;
};

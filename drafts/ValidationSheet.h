#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// The HTML validation panel of a draft: what failed, HTML Tidy's report, and
// the choice between the corrected HTML and the text as it is. A sheet on
// the draft window when that is shown, else a window of its own; it never
// blocks the event loop. Deletes itself when answered.
class ValidationSheet : public QDialog {
    Q_OBJECT
public:
    // Calls `answer` once: true for the corrected HTML.
    static ValidationSheet* ask(QWidget* window, const QString& message, const QString& detail,
                                std::function<void(bool useCorrection)> answer);

    QString message() const;
    QString detail() const;
    QPushButton* correctButton() const { return m_correct; }
    QPushButton* keepButton() const { return m_keep; }

private:
    ValidationSheet(QWidget* window, const QString& message, const QString& detail);

    QLabel* m_message;
    QPlainTextEdit* m_detail;
    QPushButton* m_correct;
    QPushButton* m_keep;
};

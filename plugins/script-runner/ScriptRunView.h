#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

// The sheet of a script run: what runs, with a way to stop it, or why it failed.
class ScriptRunView : public QWidget {
    Q_OBJECT

public:
    explicit ScriptRunView(QWidget* parent = nullptr);

    void showRunning(const QString& script);
    void showFailure(const QString& message);

    QString message() const;

signals:
    void cancelClicked();

private:
    QLabel* m_title;
    QProgressBar* m_progress;
    QPlainTextEdit* m_details;
    QPushButton* m_button;
};

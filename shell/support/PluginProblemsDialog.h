#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

// Tells at start which plug-ins could not be loaded. The problems stand in a
// scrolling area of bounded height, so that a long list never pushes the
// window, and its OK button, past the screen.
class PluginProblemsDialog : public QDialog {
    Q_OBJECT
public:
    explicit PluginProblemsDialog(const QStringList& problems, QWidget* parent = nullptr);

    QPlainTextEdit* details() const { return m_details; }

private:
    QPlainTextEdit* m_details;
};

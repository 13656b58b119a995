#pragma once

#include "ShortcutRecorder.h"

#include <QDialog>

class QLabel;

// The sheet that records one shortcut: shows the current one, takes the next
// key the user presses (Space clears, Escape cancels, Return accepts). The
// caller reads stored() when the sheet was accepted.
class ShortcutSheet : public QDialog {
    Q_OBJECT
public:
    ShortcutSheet(const QString& title, const QString& stored, QWidget* parent);

    QString stored() const { return m_recorder.stored(); }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void showShortcut();

    ShortcutRecorder m_recorder;
    QLabel* m_field;
};

#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QPushButton;

// The sheet shown while a draft's text is in an outside editor: the editor's
// icon, what happens, the last save, and the ways out.
class EditWithView : public QWidget {
    Q_OBJECT

public:
    explicit EditWithView(QWidget* parent = nullptr);

    void showEditing(const QString& editor, const QIcon& icon);
    void showSaved(const QDateTime& when);
    // The editor returned at once: the text comes back with Done.
    void showWaitingForDone();
    // Nothing more can happen but closing the sheet.
    void showFailure(const QString& message);

    QString statusText() const;

signals:
    void cancelClicked();
    void doneClicked();

private:
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_status;
    QLabel* m_saved;
    QPushButton* m_cancel;
    QPushButton* m_done;
    QString m_editor;
};

// Shows a draft's sheets, its questions and alerts, on its window one at a time.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <functional>

class Draft;
class QAbstractButton;

// The sheet of a draft window: a question the draft waits on (the save
// question) replaces any sheet open before; alerts tell and wait on nothing.
// Part of the Draft.
class DraftSheets {
public:
    explicit DraftSheets(Draft& draft);
    ~DraftSheets();

    // The sheet shown, while it is open.
    QMessageBox* sheet() const { return m_sheet; }
    // See Draft::showSheet.
    void showSheet(QMessageBox* sheet, std::function<void(QAbstractButton* chosen)> ended);
    // Closes the sheet shown without calling its end.
    void dismissSheet();
    // An alert on the window with one "OK" button.
    void showAlert(const QString& title, const QString& message,
                   QMessageBox::Icon icon = QMessageBox::Warning);

private:
    Draft& m_draft;
    QPointer<QMessageBox> m_sheet;
};

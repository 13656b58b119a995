#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace cutils {

// An alert as both programs show them: the title in bold, the message below it,
// wide enough to read, deleted when closed. Not shown yet: the caller adds
// buttons or details, then opens it.
QMessageBox* makeAlert(QMessageBox::Icon icon, const QString& title, const QString& message,
                       QWidget* parent);

} // namespace cutils

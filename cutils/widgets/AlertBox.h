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

// The text with a break opportunity after every slash: a file path wraps in
// an alert's message instead of running past its edge (a slash followed by a
// digit is no break opportunity of its own).
QString wrappablePaths(const QString& text);

// A name (a file's, say) short enough for an alert's line: past
// `maxCharacters`, its middle gives way to "…".
QString elidedForAlert(const QString& name, qsizetype maxCharacters = 48);

} // namespace cutils

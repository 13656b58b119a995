#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

// A message box whose title and message wrap at a readable width instead of
// running past the box's edge: however long a title (an entry's name in it,
// a long question), every word of it shows.
class AlertBox : public QMessageBox {
    Q_OBJECT
public:
    // The width the text takes at least, and past which it wraps.
    static constexpr int MinimumTextWidth = 340;
    static constexpr int MaximumTextWidth = 460;

    AlertBox(Icon icon, const QString& title, const QString& text, StandardButtons buttons,
             QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Sizes the box anew after the message box has sized itself.
    void fitText();
};

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

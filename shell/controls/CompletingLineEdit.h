#pragma once

#include <QLineEdit>

// A text field that offers completions of the word being typed after every
// key except Tab, Return and the delete keys. The completions come from the
// field's QCompleter.
class CompletingLineEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

    static bool keyOpensCompletions(int key);

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};

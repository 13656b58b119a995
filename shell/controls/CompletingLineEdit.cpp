#include "CompletingLineEdit.h"

#include <QCompleter>
#include <QKeyEvent>
#include <QRegularExpression>

bool CompletingLineEdit::keyOpensCompletions(int key)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return false;
    default:
        return true;
    }
}

void CompletingLineEdit::keyReleaseEvent(QKeyEvent* event)
{
    QLineEdit::keyReleaseEvent(event);
    QCompleter* words = completer();
    if (!words || !keyOpensCompletions(event->key()) || event->text().isEmpty())
        return;
    // Complete the word under the cursor, not the whole field.
    const QString before = text().left(cursorPosition());
    static const QRegularExpression space(QStringLiteral("\\s"));
    const qsizetype start = before.lastIndexOf(space) + 1;
    words->setCompletionPrefix(before.mid(start));
    if (!words->completionPrefix().isEmpty())
        words->complete();
}

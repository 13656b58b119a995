#include "ShortcutRecorder.h"

#include "ShortcutString.h"

ShortcutRecorder::Outcome ShortcutRecorder::keyPressed(int qtKey, Qt::KeyboardModifiers modifiers,
                                                       const QString& text)
{
    switch (qtKey) {
    case Qt::Key_Escape:
        return Outcome::Cancel;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Outcome::Accept;
    case Qt::Key_Space:
        m_stored.clear();
        return Outcome::Continue;
    default:
        break;
    }
    const QString recorded = ShortcutString::fromKeyPress(qtKey, modifiers, text);
    if (!recorded.isEmpty())
        m_stored = recorded;
    return Outcome::Continue;
}

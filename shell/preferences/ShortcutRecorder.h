#pragma once

#include <QString>
#include <Qt>

// What the shortcut sheet does with each key the user presses: Escape cancels,
// Return or Enter accepts, Space clears, and any other key becomes the shortcut
// (in its stored form, see ShortcutString). Modifier keys alone change nothing.
class ShortcutRecorder {
public:
    enum class Outcome { Continue, Accept, Cancel };

    explicit ShortcutRecorder(const QString& stored = {}) : m_stored(stored) {}

    Outcome keyPressed(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text = {});

    // The shortcut as it would be stored; empty after Space.
    QString stored() const { return m_stored; }

private:
    QString m_stored;
};

#pragma once

#include <QKeySequence>
#include <QString>

// The stored form of an add-on shortcut: the modifier glyphs ⌘ ⌥ ⌃ ⇧ (always
// in that order, ⌘ always there) followed by the key's name in upper case, as
// "⌘⇧K". Stored strings keep that form so they mean the same wherever they were
// written; on this desktop ⌘ is Ctrl, ⌃ is Meta, ⌥ is Alt and ⇧ is Shift.
namespace ShortcutString {

inline constexpr QChar Command(0x2318);
inline constexpr QChar Option(0x2325);
inline constexpr QChar Control(0x2303);
inline constexpr QChar Shift(0x21E7);

// The name of a key as the stored form writes it: a glyph for the keys that
// have one (arrows, Tab, Return, Delete, ...), "F1" to "F35", else the key's
// character in upper case. Empty for keys with no name (modifiers alone).
QString keyName(int qtKey, const QString& text = {});

// The stored form of a key press: ⌘, then ⌥ for Alt, ⌃ for Meta and ⇧ for
// Shift, then the key's name. Empty for a key with no name.
QString fromKeyPress(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text = {});

// The key sequence a stored string stands for: Ctrl always, plus the
// modifiers named, plus the key. Empty (no shortcut) when no key is named;
// anything that is not a string of this form is no shortcut either.
QKeySequence toKeySequence(const QString& stored);

// The stored form as this desktop shows it ("Ctrl+Shift+K").
QString toNativeText(const QString& stored);

} // namespace ShortcutString

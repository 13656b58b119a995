#include "ShortcutString.h"

#include <QList>
#include <QPair>

namespace ShortcutString {

namespace {

// Keys whose name is a glyph rather than a character.
const QList<QPair<int, QChar>>& glyphKeys()
{
    static const QList<QPair<int, QChar>> table = {
        {Qt::Key_Help, QChar(0x003F)},      {Qt::Key_Tab, QChar(0x21E5)},
        {Qt::Key_Backtab, QChar(0x21E5)},   {Qt::Key_Enter, QChar(0x2305)},
        {Qt::Key_Return, QChar(0x21A9)},    {Qt::Key_PageUp, QChar(0x21DE)},
        {Qt::Key_PageDown, QChar(0x21DF)},  {Qt::Key_Escape, QChar(0x238B)},
        {Qt::Key_Home, QChar(0x2196)},      {Qt::Key_End, QChar(0x2198)},
        {Qt::Key_Down, QChar(0x2193)},      {Qt::Key_Up, QChar(0x2191)},
        {Qt::Key_Right, QChar(0x2192)},     {Qt::Key_Left, QChar(0x2190)},
        {Qt::Key_Clear, QChar(0x2327)},     {Qt::Key_Delete, QChar(0x2326)},
        {Qt::Key_Backspace, QChar(0x232B)},
    };
    return table;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Meta ||
           key == Qt::Key_Alt || key == Qt::Key_AltGr || key == Qt::Key_Super_L ||
           key == Qt::Key_Super_R || key == Qt::Key_Hyper_L || key == Qt::Key_Hyper_R ||
           key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_unknown || key == 0;
}

int keyForName(const QString& name)
{
    if (name.size() == 1) {
        const QChar c = name.at(0);
        for (const auto& [key, glyph] : glyphKeys()) {
            if (glyph == c && key != Qt::Key_Backtab && key != Qt::Key_Help)
                return key;
        }
        // Letters name Qt's upper-case keys; any other character is its own key.
        return int(c.toUpper().unicode());
    }
    if (name.size() >= 2 && name.at(0) == QLatin1Char('F')) {
        bool ok = false;
        const int number = name.mid(1).toInt(&ok);
        if (ok && number >= 1 && number <= 35)
            return Qt::Key_F1 + number - 1;
    }
    return 0;
}

} // namespace

QString keyName(int qtKey, const QString& text)
{
    if (isModifierKey(qtKey))
        return {};
    for (const auto& [key, glyph] : glyphKeys()) {
        if (key == qtKey)
            return QString(glyph);
    }
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return QStringLiteral("F%1").arg(qtKey - Qt::Key_F1 + 1);
    if (qtKey > 0 && qtKey < 0x110000 && QChar::isPrint(char32_t(qtKey))) {
        const char32_t character = char32_t(qtKey);
        return QString::fromUcs4(&character, 1).toUpper();
    }
    const QString typed = text.trimmed();
    if (typed.size() == 1 && typed.at(0).isPrint())
        return typed.toUpper();
    return {};
}

QString fromKeyPress(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const QString name = keyName(qtKey, text);
    if (name.isEmpty())
        return {};
    QString result(Command);
    if (modifiers & Qt::AltModifier)
        result += Option;
    if (modifiers & Qt::MetaModifier)
        result += Control;
    if (modifiers & Qt::ShiftModifier)
        result += Shift;
    return result + name;
}

QKeySequence toKeySequence(const QString& stored)
{
    Qt::KeyboardModifiers modifiers = Qt::ControlModifier;
    QString name;
    for (const QChar c : stored) {
        if (c == Option)
            modifiers |= Qt::AltModifier;
        else if (c == Control)
            modifiers |= Qt::MetaModifier;
        else if (c == Shift)
            modifiers |= Qt::ShiftModifier;
        else if (c != Command)
            name += c;
    }
    int key = keyForName(name);
    // A name nobody writes: its last character is the key, as menus always took it.
    if (key == 0 && !name.isEmpty())
        key = keyForName(name.right(1));
    if (key == 0)
        return {};
    return QKeySequence(QKeyCombination(modifiers, Qt::Key(key)));
}

QString toNativeText(const QString& stored)
{
    return toKeySequence(stored).toString(QKeySequence::NativeText);
}

} // namespace ShortcutString

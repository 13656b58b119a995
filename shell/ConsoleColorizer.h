#pragma once

#include <QList>
#include <QStringView>

// Which console colour a stretch of logged text gets.
enum class ConsoleRole { Text, Code, Attribute, Bracket };

struct ConsoleSpan {
    qsizetype start = 0;
    qsizetype length = 0;
    ConsoleRole role = ConsoleRole::Text;
    friend bool operator==(const ConsoleSpan&, const ConsoleSpan&) = default;
};

// Colours one appended piece of console text: the "<" and ">" of a tag as
// brackets, the inside of a tag as code, a double-quoted value inside a tag
// (quotes included) as an attribute, the rest as text. A tag left open at the
// end colours as code to the end. In text without any "<", only the first ">"
// is a bracket. Answers adjacent, non-overlapping spans covering the text.
QList<ConsoleSpan> colorizeConsoleText(QStringView text);

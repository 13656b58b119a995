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

// Where the colouring stands at a point of one logged piece, with what comes
// later in the piece already taken into account: outside a tag, inside a tag
// that closes, inside a quoted value that closes before the tag does, inside a
// tag after a quote that does not, inside a tag that never closes; or, as the
// state after a stretch, the piece ends there.
enum class ConsoleState : quint8 { Text, Tag, Quoted, TagAfterUnpairedQuote, OpenTag, End };

// A stretch of one logged piece (a line of it, say): the state it starts in,
// the state the rest of the piece starts in after it, and where in the stretch
// the piece's lone bracket lies (-1 for none; see consoleLoneBracket).
struct ConsoleStretch {
    ConsoleState entry = ConsoleState::Text;
    ConsoleState exit = ConsoleState::End;
    qsizetype loneBracket = -1;
};

// Colours one appended piece of console text: the "<" and ">" of a tag as
// brackets, the inside of a tag as code, a double-quoted value inside a tag
// (quotes included) as an attribute, the rest as text. A tag left open at the
// end colours as code to the end. In text without any "<", only the first ">"
// is a bracket. Answers adjacent, non-overlapping spans covering the text.
// Linear in the text's length.
QList<ConsoleSpan> colorizeConsoleText(QStringView text);

// The same colours for a stretch of a piece, from what the stretch says about
// its surroundings; each span lies within the stretch.
QList<ConsoleSpan> colorizeConsoleStretch(QStringView text, const ConsoleStretch& stretch);

// In a piece without "<", the position of its first ">", which colours as a
// bracket; otherwise -1.
qsizetype consoleLoneBracket(QStringView piece);

// The state each line of a piece starts in: one per line feed of the piece,
// for the line that follows it. Linear in the piece's length.
QList<ConsoleState> consoleLineStates(QStringView piece);

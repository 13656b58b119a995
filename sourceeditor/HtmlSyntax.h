#pragma once

#include <QList>
#include <QString>
#include <QStringView>

// The colours of HTML source: plain text, tags (names and bodies), quoted
// attribute values and the angle brackets.
//
// A tag runs from "<" to the first ">" after it; without one it runs to the
// end of the text and shows no values. Inside a tag a quote of either kind
// opens a value that the next quote of either kind closes; a quote with no
// other quote before the tag's ">" colours nothing, and no later quote of that
// tag does either. Text outside tags, ">" included, is plain.
//
// Two ways to get them: spans() colours a whole text in one pass, and
// colourLine() colours one line from the state the line before ended in,
// which is what the editor's highlighter does after each edit. Both give the
// same colours.
namespace HtmlSyntax {

enum class Kind : unsigned char { Plain, Tag, Value, Bracket };

struct Span {
    qsizetype start = 0;
    qsizetype length = 0;
    Kind kind = Kind::Plain;
    friend bool operator==(const Span&, const Span&) = default;
};

// The whole text, every character in exactly one span, neighbours of
// different kinds.
QList<Span> spans(QStringView text);

// Where a line ends: outside tags, inside a tag, inside a value, or inside a
// tag after a quote that closed nothing.
enum class State : int { Text = 0, Tag = 1, Value = 2, TagAfterLoneQuote = 3 };

inline bool isInsideTag(State state)
{
    return state != State::Text;
}

// The lines of a text, read by number, so that a line's colouring can look at
// the lines after it (a quote's partner may stand on a later line).
class Lines {
public:
    virtual ~Lines() = default;
    virtual int count() const = 0;
    virtual QString line(int number) const = 0;
};

// Remembers the last line holding a ">", so that a quote in a tag that never
// closes costs one look instead of a walk to the end. Reset it whenever the
// lines change.
class CloseIndex {
public:
    void reset() { m_known = false; }
    // Whether any line from `number` on holds a ">".
    bool closesFrom(const Lines& lines, int number);

private:
    bool m_known = false;
    int m_lastLine = -1;
};

struct LineColours {
    QList<Span> spans; // offsets within the line
    State end = State::Text;
};

// Colours line `number` of `lines`, whose text is `text`, starting in `start`.
LineColours colourLine(QStringView text, State start, const Lines& lines, int number,
                       CloseIndex& closes);

} // namespace HtmlSyntax

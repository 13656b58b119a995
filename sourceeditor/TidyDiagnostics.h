#pragma once

#include <QColor>
#include <QString>
#include <optional>

// Reads HTML Tidy's report ("line 5 column 3 - Warning: …", one problem per
// line) against the text it was made from, and gives the colours the source
// view marks the first problem with.
namespace TidyDiagnostics {

struct ErrorSpot {
    QString message;          // the report line, as Tidy wrote it
    int line = 0;             // counted from 1
    qsizetype lineStart = 0;  // offset of the line in the text
    qsizetype lineLength = 0; // without its line feed
    // Offset of the character the column names; columns past the end of the
    // line (Tidy reports end-of-line positions) name its last character. -1
    // for an empty line.
    qsizetype character = -1;
};

// The first report line that names a line of `text`: at least four words
// separated by single spaces, the second the line number and the fourth the
// column, both counted from 1. Lines naming no line of the text are passed
// over. Nothing when no line counts.
std::optional<ErrorSpot> firstError(const QString& report, const QString& text);

// The background of the error's line: the view's background made darker (and
// a little more saturated) when it is light, lighter (and less saturated)
// when it is dark. Hue and alpha are kept.
QColor errorLineTint(const QColor& background);

// The background of the error's character.
QColor errorCharacterColor();

} // namespace TidyDiagnostics

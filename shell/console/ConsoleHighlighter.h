#pragma once

#include "ConsoleColorizer.h"

#include <QTextCharFormat>
#include <array>

class QTextBlock;
class QTextDocument;

// Colours the console's document block by block, and only the blocks it is
// asked to (those on screen), from what it noted about each line when the
// line's piece was appended. The colours live in the blocks' layouts, not in
// the text, so appending costs what plain text costs and a change of colours
// touches only what is coloured again.
class ConsoleHighlighter {
public:
    explicit ConsoleHighlighter(QTextDocument* document);

    // Appends one logged piece at the end of the document (line ends become
    // block breaks as the document makes them) and notes the state each of its
    // lines starts in.
    void append(const QString& piece);
    // Formats of the four roles; text without a role keeps the view's colour.
    // Every block is due to be coloured again.
    void setFormats(const std::array<QTextCharFormat, 4>& formats);
    // Colours the block in the current formats unless it already is.
    void colourBlock(const QTextBlock& block);
    bool isColoured(const QTextBlock& block) const;
    // The block's colours, positions within the block.
    QList<ConsoleSpan> spans(const QTextBlock& block) const;

private:
    QTextDocument* m_document;
    std::array<QTextCharFormat, 4> m_formats;
    int m_generation = 1;
};

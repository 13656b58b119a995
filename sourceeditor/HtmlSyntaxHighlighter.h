#pragma once

#include "HtmlSyntax.h"

#include <QColor>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

class QTextBlock;

// Colours a document of HTML source as the user edits it. The colours are
// formats of the layout: they never enter the text, its undo history or a
// copy.
//
// Each line (block) is coloured from the state the line before ended in, and
// an edit recolours from its line on until the lines' end states agree with
// what they were. An edit inside a tag that began on an earlier line also
// recolours from that tag's first line, since a quote there may have found
// or lost its partner. So the colours always equal a full pass over the text.
class HtmlSyntaxHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit HtmlSyntaxHighlighter(QTextDocument* document);

    // Colours of tags, attribute values and angle brackets; plain text keeps
    // the view's own colour.
    void setColors(const QColor& tag, const QColor& value, const QColor& bracket);

    // The spans of one block, as its colouring sees them.
    QList<HtmlSyntax::Span> spansOfBlock(const QTextBlock& block);

protected:
    void highlightBlock(const QString& text) override;

private:
    void followEdit(int position, int removed, int added);

    QTextCharFormat m_tag, m_value, m_bracket;
    HtmlSyntax::CloseIndex m_closes;
};
